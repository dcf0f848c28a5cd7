// Hover where no row is: on a keyword field the compiler took for a
// misspelt keyword (what it meant, and what the row would read with it),
// and on a section header (what the section holds).
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// A Markdown hover, or null.
nlohmann::json hover_outside_rows(Workspace& w, const Document& d, std::size_t offset);

}  // namespace lsp
