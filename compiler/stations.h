// Station rows: one route entry per station (from entry 1 upward), its
// stretch along the line, its stop cell and approach marks, and the spacing
// and table limits that keep stations apart and clear of the text boards.
#pragma once

#include <cstdint>

#include "text/field_reader.h"
#include "model/model.h"

namespace scenario {
class RowWatch;
}

namespace scenario {

enum class StationOutcome {
  avanti,      // recorded; the scan goes on
  fine,        // error 15: the scan ends, end processing follows
  abbandona,   // any other error: the reading ends at once
};

// Reads the 17 values of one "stazione" row (after its keyword) and records
// it as station `indice`, which advances on success. `watch` places the
// row for diagnostics. Values that do not fit their kind throw ReadFailure.
StationOutcome record_station(Modello& m, FieldReader& r, std::int32_t& indice,
                                std::int32_t puntatore_cartelli, RowWatch& watch);

}  // namespace scenario
