// Quick fixes: the compiler's own fixes of the diagnostics that touch a
// range of a document (a keyword written as meant, the values a row lacks,
// the ones it has too many, a text's UTF-8 characters in Windows-1252), as
// edits the editor applies.
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// The protocol's CodeAction list for the bytes [from, to] of `d`.
nlohmann::json code_actions(Workspace& w, const Document& d, std::size_t from, std::size_t to);

}  // namespace lsp
