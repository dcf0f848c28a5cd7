// Signature help while a row is typed: the record's values as a signature,
// the one under the cursor active, each with its meaning, what the compiler
// makes of it, its width and its range, all from the record table.
#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "rows/records.h"
#include "lsp/workspace.h"

namespace lsp {

// The protocol's SignatureHelp at `offset`, or null outside a row's values.
nlohmann::json signature_help(const Document& d, std::size_t offset);

// "16-bit signed, -32768 to 32767; beyond that, error 25": how a value is
// kept, in words.
std::string value_width(const scenario::ValueInfo& v);

}  // namespace lsp
