#include "lsp/formatting.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/encoding.h"
#include "lsp/features.h"
#include "lsp/json_text.h"
#include "text/field_reader.h"

namespace lsp {

namespace {

using scenario::is_blank;
using scenario::is_line_end;

// Bytes of `text` to delete: blanks only.
struct Cut {
  std::size_t start, end;
};

// The first offset at or before `at` that has only blanks between it and
// `at`.
std::size_t blanks_before(std::string_view text, std::size_t at) {
  while (at > 0 && is_blank(text[at - 1])) --at;
  return at;
}

std::size_t blanks_after(std::string_view text, std::size_t at) {
  while (at < text.size() && is_blank(text[at])) ++at;
  return at;
}

bool is_text(const Row& r, std::size_t i) { return i < r.record->values.size() && r.record->values[i].is_text(); }

// The blanks of one row that formatting deletes, added to `cuts`; nothing
// for a row that does not stand whole and alone on its line, or whose values
// are written apart by blanks alone (the clock's "13  56  15"), which is kept
// as written. Each scan stops at the first byte that is not a blank, or
// within the row's own bytes, so the rows of a long line cost no more than
// the line: no row is looked at twice.
void row_cuts(std::string_view text, const Outline& o, const Row& r, std::vector<Cut>& cuts) {
  const std::span<const Field> values = o.values_of(r);
  const std::size_t end = o.end_of(r);
  if (values.size() != r.record->values.size()) return;
  const std::size_t start = blanks_before(text, r.keyword.offset);
  if (start > 0 && !is_line_end(text[start - 1])) return;
  const std::size_t line_end = blanks_after(text, end);
  if (line_end < text.size() && !is_line_end(text[line_end])) return;

  std::vector<Cut> row;
  if (start < r.keyword.offset) row.push_back({start, r.keyword.offset});
  const Field* before = &r.keyword;
  bool text_before = false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Field& v = values[i];
    const std::size_t from = before->offset + before->length;
    if (v.offset < from || v.offset > end) return;
    const std::string_view gap = text.substr(from, v.offset - from);
    const std::size_t comma = gap.find(',');
    // Blanks alone, or more than one comma: not a plain row.
    if (comma == std::string_view::npos || gap.find(',', comma + 1) != std::string_view::npos) return;
    for (std::size_t k = 0; k < gap.size(); ++k)
      if (k != comma && !is_blank(gap[k])) return;
    // Blanks between a field and its comma; an empty value's blanks, and
    // those before a name (which may be part of it), stay.
    if (comma > 0 && before->length > 0 && !text_before) row.push_back({from, from + comma});
    text_before = is_text(r, i);
    before = &v;
  }
  const std::size_t last = before->offset + before->length;
  if (blanks_after(text, last) != line_end) return;
  if (last < line_end) row.push_back({last, line_end});
  cuts.insert(cuts.end(), row.begin(), row.end());
}

// The rows without a record are left out: formatting never touches them.
bool same_reading(const Outline& a, const Outline& b) {
  std::size_t i = 0, j = 0;
  for (;; ++i, ++j) {
    while (i < a.rows.size() && !a.rows[i].record) ++i;
    while (j < b.rows.size() && !b.rows[j].record) ++j;
    if (i == a.rows.size() || j == b.rows.size()) return i == a.rows.size() && j == b.rows.size();
    const Row &x = a.rows[i], &y = b.rows[j];
    const std::span<const Field> xs = a.values_of(x), ys = b.values_of(y);
    if (x.record != y.record || xs.size() != ys.size()) return false;
    for (std::size_t k = 0; k < xs.size(); ++k)
      if (a.text_of(xs[k]) != b.text_of(ys[k]) || xs[k].number() != ys[k].number()) return false;
  }
}

}  // namespace

JsonWriter format_rows(const Document& d, std::size_t from, std::size_t to) {
  const JsonWriter none = [](const JsonPieces& out) { out("[]"); };
  if (!d.file) return none;
  const std::string_view text = d.bytes;
  const Outline& o = *d.outline;
  const auto& rows = o.rows;

  auto cuts_kept = std::make_shared<std::vector<Cut>>();
  std::vector<Cut>& cuts = *cuts_kept;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    if (!r.record || r.keyword.offset < from || r.keyword.offset >= to) continue;
    const bool shared = (i > 0 && rows[i - 1].keyword.offset == r.keyword.offset) ||
                        (i + 1 < rows.size() && rows[i + 1].keyword.offset == r.keyword.offset);
    if (!shared) row_cuts(text, o, r, cuts);
  }
  if (cuts.empty()) return none;

  // The whole text as it would be, read again: a layout that reads
  // otherwise is no layout.
  std::string formatted;
  formatted.reserve(text.size());
  std::size_t at = 0;
  for (const Cut& c : cuts) {
    formatted.append(text.substr(at, c.start - at));
    at = c.end;
  }
  formatted.append(text.substr(at));
  if (!same_reading(o, *outline(formatted, d.file->text))) return none;
  formatted = {};

  // Deletions only: no character that stays is in an edit, so none the
  // server's Windows-1252 copy could not hold is ever written back.
  auto index = std::make_shared<const LineIndex>(d.bytes);
  return [cuts_kept, index](const JsonPieces& out) {
    std::string edit;
    out("[");
    for (const Cut& c : *cuts_kept) {
      edit.assign(&c == cuts_kept->data() ? "" : ",").append("{\"range\":");
      append_range(edit, *index, c.start, c.end);
      edit += ",\"newText\":\"\"}";
      out(edit);
    }
    out("]");
  };
}

}  // namespace lsp
