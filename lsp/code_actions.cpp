#include "lsp/code_actions.h"

#include <set>
#include <string>
#include <utility>

#include "lsp/encoding.h"
#include "lsp/features.h"

namespace lsp {

using nlohmann::json;

std::string without_tab_stops(std::string_view snippet) {
  std::string out;
  for (std::size_t i = 0; i < snippet.size(); ++i) {
    if (snippet.substr(i, 2) == "${") {
      const std::size_t colon = snippet.find(':', i), close = snippet.find('}', i);
      if (colon != std::string_view::npos && close != std::string_view::npos && colon < close) {
        out += snippet.substr(colon + 1, close - colon - 1);
        i = close;
        continue;
      }
    }
    out += snippet[i];
  }
  return out;
}

json code_actions(Workspace& w, const Document& d, std::size_t from, std::size_t to,
                  const std::string& snippet_command) {
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
          const std::string text = to_utf8(e.replacement);
          edits.push_back({{"range", range_json(index, e.at.offset, e.at.offset + e.at.length)},
                           {"newText", f.placeholders ? without_tab_stops(text) : text}});
        }
        if (edits.empty() || !seen.insert({f.title, edits}).second) continue;
        json action = {{"title", to_utf8(f.title)},
                       {"kind", "quickfix"},
                       {"diagnostics", json::array({diagnostic})},
                       // A fix the author must finish is not applied unasked.
                       {"isPreferred", g.fixes.size() == 1 && !f.placeholders}};
        if (f.placeholders && !snippet_command.empty() && edits.size() == 1) {
          const scenario::TextEdit& e = f.edits.front();
          action["command"] = {{"title", to_utf8(f.title)},
                               {"command", snippet_command},
                               {"arguments", {d.uri, edits[0]["range"], to_utf8(e.replacement)}}};
        } else {
          action["edit"] = {{"changes", {{d.uri, std::move(edits)}}}};
        }
        out.push_back(std::move(action));
      }
    }
  }
  return out;
}

}  // namespace lsp
