// The header stamps: two format marks and two competition codes, small
// checksums of the train number and the scenario name that tie the route
// file and the cell file to their scenario.
#pragma once

#include <cstdint>
#include <string>

#include "model/format_constants.h"
#include "model/model.h"

namespace scenario {

// Train number then scenario name, lower-cased in the Windows-1252 code page,
// then padding; only the first 25 bytes count.
std::string testo_codice(const Modello& m);
std::int32_t codice_gara_st(Modello& m);  // sum of i x code(i), i = 1..25
std::int16_t codice_gara_og(Modello& m);  // sum of code(i), i = 1..25

// Throws FatalError(1250 or 1251) when a header slot is already set.
void stamp_headers(Modello& m);

}  // namespace scenario
