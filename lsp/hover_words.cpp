#include "lsp/hover_words.h"

#include <map>
#include <string>

#include "rows/records.h"
#include "lsp/encoding.h"
#include "lsp/features.h"

namespace lsp {

using nlohmann::json;

namespace {

std::string record_list(scenario::Section s) {
  std::string out;
  for (const scenario::RecordInfo& r : scenario::records_in(s))
    out += (out.empty() ? "" : ", ") + std::string("`") + std::string(r.keyword) + "`";
  return out;
}

json hover_json(const Document& d, const std::string& md, std::size_t from, std::size_t to) {
  const LineIndex index(d.bytes);
  return {{"contents", {{"kind", "markdown"}, {"value", md}}}, {"range", range_json(index, from, to)}};
}

// The fix's keyword in place of the misspelt one, and the row read again.
json misspelt(Workspace& w, const Document& d, std::size_t offset) {
  for (const Unit* u : w.units(d)) {
    for (const scenario::Diagnostic& g : u->diagnostics) {
      if (g.code != "unknown-keyword" || g.at.text != d.file->text || g.fixes.empty()) continue;
      if (offset < g.at.offset || offset > g.at.offset + g.at.length) continue;
      const std::string typed = to_utf8(d.bytes.substr(g.at.offset, g.at.length));
      std::string md = "**" + typed + "** is no keyword: the reader skips the row, its values with it.\n";
      for (const scenario::Fix& f : g.fixes) {
        const std::string& meant = f.edits.front().replacement;
        std::string text = d.bytes;
        text.replace(g.at.offset, g.at.length, meant);
        const std::shared_ptr<const Outline> again = outline(text, d.file->text);
        const Row* r = row_at(*again, g.at.offset);
        if (!r || r->keyword.offset != g.at.offset) continue;
        md += "\nDid you mean **" + meant + "** (" + std::string(r->record->title) + ")? The row would read:\n\n";
        const scenario::RecordInfo& info = scenario::record(static_cast<scenario::RecordId>(r->record->id));
        for (std::size_t i = 0; i < info.values.size(); ++i) {
          const std::span<const Field> values = again->values_of(*r);
          const std::string value = i < values.size() ? to_utf8(again->text_of(values[i])) : "(missing)";
          md += "- `" + std::string(info.values[i].name) + "` = " + (value.empty() ? "0 (empty)" : value) +
                ": " + std::string(info.values[i].meaning) + "\n";
        }
      }
      return hover_json(d, md, g.at.offset, g.at.offset + g.at.length);
    }
  }
  return nullptr;
}

json header(const Document& d, std::size_t offset) {
  const auto& headers = d.outline->headers;
  for (std::size_t h = 0; h < headers.size(); ++h) {
    const Field& f = headers[h];
    if (offset < f.offset || offset > f.offset + f.length) continue;
    const std::size_t end = h + 1 < headers.size() ? headers[h + 1].offset : d.bytes.size();
    const bool line = d.file->text == Text::linea;
    std::string md = "**" + to_utf8(d.outline->text_of(f)) + "**: ";
    if (h == 0) {
      md += line ? "the general section begins here; everything before it is skipped. Until the first "
                   "other header it reads only its own records, in any order: " +
                       record_list(scenario::Section::general) + ".\n"
                 : "the train description begins here; everything before it is skipped. Its records, in "
                   "any order: " +
                       record_list(scenario::Section::train) + ".\n";
    } else if (line && f.offset < d.outline->body_start && d.outline->body_start <= end) {
      md += "ends the general section: the body's records follow, in any order, and take effect in the "
            "order written: " +
            record_list(scenario::Section::body) + ".\n";
    } else {
      md += "a header only orders the text for the eye: the reader skips it.\n";
    }
    // What the rows under it are.
    std::map<std::string, int> counts;
    for (const Row& r : d.outline->rows)
      if (r.record && r.keyword.offset > f.offset && r.keyword.offset < end) ++counts[std::string(r.record->title)];
    if (counts.empty()) {
      md += "\nNo rows follow it before the next header.\n";
    } else {
      md += "\nThe rows up to the next header:\n\n";
      for (const auto& [title, n] : counts) md += "- " + std::to_string(n) + " × " + title + "\n";
    }
    return hover_json(d, md, f.offset, f.offset + f.length);
  }
  return nullptr;
}

}  // namespace

json hover_outside_rows(Workspace& w, const Document& d, std::size_t offset) {
  if (!d.file) return nullptr;
  json h = header(d, offset);
  return h.is_null() ? misspelt(w, d, offset) : h;
}

}  // namespace lsp
