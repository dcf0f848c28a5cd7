#include "lsp/code_actions.h"

#include <set>
#include <string>
#include <utility>

#include "lsp/encoding.h"
#include "lsp/features.h"

namespace lsp {

using nlohmann::json;

json code_actions(Workspace& w, const Document& d, std::size_t from, std::size_t to) {
  json out = json::array();
  if (!d.file) return out;
  const LineIndex index(d.bytes);
  // A line text takes part in one unit per train text: each fix once.
  std::set<std::pair<std::string, json>> seen;
  for (const Unit* u : w.units(d)) {
    const std::string& path = d.file->text == Text::linea ? u->line_path : u->train_path;
    if (path != d.path) continue;
    for (const scenario::Diagnostic& g : u->diagnostics) {
      if (g.fixes.empty() || g.at.text != d.file->text || g.at.offset == scenario::TextSpan::npos) continue;
      if (g.at.offset > to || g.at.offset + g.at.length < from) continue;
      const json diagnostic = {{"range", range_json(index, g.at.offset, g.at.offset + g.at.length)},
                               {"severity", g.severity == scenario::Severity::error ? 1 : 2},
                               {"code", g.code},
                               {"source", "scenarioc"},
                               {"message", protocol_text(g.message)}};
      for (const scenario::Fix& f : g.fixes) {
        json edits = json::array();
        for (const scenario::TextEdit& e : f.edits) {
          if (e.at.text != d.file->text) continue;
          edits.push_back({{"range", range_json(index, e.at.offset, e.at.offset + e.at.length)},
                           {"newText", to_utf8(e.replacement)}});
        }
        if (edits.empty() || !seen.insert({f.title, edits}).second) continue;
        out.push_back({{"title", to_utf8(f.title)},
                       {"kind", "quickfix"},
                       {"diagnostics", json::array({diagnostic})},
                       {"isPreferred", g.fixes.size() == 1},
                       {"edit", {{"changes", {{d.uri, std::move(edits)}}}}}});
      }
    }
  }
  return out;
}

}  // namespace lsp
