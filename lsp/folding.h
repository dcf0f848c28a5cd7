// Folding by section: each section header folds the lines up to the last
// line of text before the next header (or the end of the text).
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// The protocol's FoldingRange list; a section of one line folds nothing.
nlohmann::json folding_ranges(const Document& d);

}  // namespace lsp
