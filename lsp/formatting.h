// Document and range formatting: each row that stands whole on its own line
// is laid out as the embedded texts lay theirs out, keyword and values
// separated by ", ", and the values of a run of rows of one record aligned
// in columns (numbers to the right). Nothing else is touched: comments,
// headers, rows that run over a line end or share their line. A layout
// that would read differently (the rows re-read do not match) is not
// offered.
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// TextEdits for the rows whose keyword lies in [from, to).
nlohmann::json format_rows(const Document& d, std::size_t from, std::size_t to);

}  // namespace lsp
