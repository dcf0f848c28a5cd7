// Document and range formatting. The layout `scenarioc texts` writes is the
// canonical one, and formatting it changes nothing: formatting only deletes
// blanks, and only these, in a row that stands whole and alone on its line:
// those before its keyword, those between the keyword or a value and the
// comma after it (an empty value's blanks stay), and those after its last
// value. Everything else is kept as written: the blanks after a comma,
// rows whose values are written apart by blanks alone (the clock), comments,
// headers, rows that run over a line end or share their line. A result that
// would read differently (the rows re-read do not match) is not offered.
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// TextEdits for the rows whose keyword lies in [from, to).
nlohmann::json format_rows(const Document& d, std::size_t from, std::size_t to);

}  // namespace lsp
