// Quick fixes: the compiler's own fixes of the diagnostics that touch a
// range of a document (a keyword written as meant, the values a row lacks,
// the ones it has too many, a text's UTF-8 characters in Windows-1252), as
// edits the editor applies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// The protocol's CodeAction list for the bytes [from, to] of `d`. A fix
// with tab stops for the author ("${1:gradient}") becomes a call of
// `snippet_command` (its arguments: the document's URI, the range and the
// snippet) when the editor names one, as the protocol's edits carry no
// snippets; otherwise an edit with the value names alone standing in for
// the tab stops, which leaves the row refused until they are filled.
nlohmann::json code_actions(Workspace& w, const Document& d, std::size_t from, std::size_t to,
                            const std::string& snippet_command = {});

// A snippet's text with each tab stop "${n:name}" as its name alone.
std::string without_tab_stops(std::string_view snippet);

}  // namespace lsp
