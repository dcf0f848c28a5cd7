// What textDocument/publishDiagnostics says about one open description
// text: the diagnostics of every scenario it takes part in that stand in it,
// the errors of partner texts that are not open (each at its first line,
// pointing at its place), the counts the limit cut short, and a warning per
// row holding characters Windows-1252 cannot hold.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// The diagnostics array for `d`; empty for a text that is no description.
nlohmann::json published_diagnostics(Workspace& w, const Document& d);

}  // namespace lsp
