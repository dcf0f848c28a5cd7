#include "lsp/formatting.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/encoding.h"
#include "lsp/features.h"
#include "text/field_reader.h"

namespace lsp {

namespace {

using scenario::is_blank;
using scenario::is_line_end;


bool only_blanks(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return is_blank(c); });
}

// What lies between two fields of a row: one comma between blanks, or,
// after a number, blanks alone.
bool plain_gap(std::string_view gap, bool after_number) {
  const std::size_t comma = gap.find(',');
  if (comma == std::string_view::npos) return after_number && !gap.empty() && only_blanks(gap);
  return only_blanks(gap.substr(0, comma)) && only_blanks(gap.substr(comma + 1));
}

bool is_text(const Row& r, std::size_t i) { return i < r.record->values.size() && r.record->values[i].is_text(); }

// A row the layout may rewrite: alone on its line from the indentation to
// the line end, every value on it, nothing odd between the fields.
struct Line {
  const Row* row;
  std::size_t start, end;  // the line without its line end
};

std::optional<Line> own_line(std::string_view text, const Row& r) {
  if (r.values.size() != r.record->values.size()) return std::nullopt;
  std::size_t start = r.keyword.offset;
  while (start > 0 && !is_line_end(text[start - 1])) --start;
  if (!only_blanks(text.substr(start, r.keyword.offset - start))) return std::nullopt;
  std::size_t end = r.end;
  while (end < text.size() && !is_line_end(text[end])) ++end;
  const Field* before = &r.keyword;
  bool number = false;
  for (std::size_t i = 0; i < r.values.size(); ++i) {
    const Field& v = r.values[i];
    const std::size_t gap = before->offset + before->length;
    if (v.offset < gap || v.offset > end || !plain_gap(text.substr(gap, v.offset - gap), number))
      return std::nullopt;
    number = !is_text(r, i) && v.length > 0;
    before = &v;
  }
  const std::size_t last = before->offset + before->length;
  if (last > end || !only_blanks(text.substr(last, end - last))) return std::nullopt;
  return Line{&r, start, end};
}

std::string_view bytes_of(std::string_view text, const Field& f) { return text.substr(f.offset, f.length); }

// The rows of a run laid out with shared column widths.
std::vector<std::string> laid_out(std::string_view text, const std::vector<Line>& run) {
  std::size_t keyword = 0;
  std::vector<std::size_t> widths;
  for (const Line& l : run) {
    keyword = std::max(keyword, l.row->keyword.length);
    widths.resize(std::max(widths.size(), l.row->values.size()), 0);
    for (std::size_t i = 0; i < l.row->values.size(); ++i)
      if (!is_text(*l.row, i)) widths[i] = std::max(widths[i], l.row->values[i].length);
  }
  std::vector<std::string> out;
  for (const Line& l : run) {
    const Row& r = *l.row;
    std::string s(bytes_of(text, r.keyword));
    s += ',';
    s.append(keyword - r.keyword.length, ' ');
    for (std::size_t i = 0; i < r.values.size(); ++i) {
      const std::string_view v = bytes_of(text, r.values[i]);
      s += ' ';
      if (!is_text(r, i)) s.append(widths[i] - v.size(), ' ');
      s += v;
      if (i + 1 < r.values.size()) s += ',';
    }
    out.push_back(std::move(s));
  }
  return out;
}

bool same_reading(const Outline& a, const Outline& b) {
  if (a.rows.size() != b.rows.size()) return false;
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    const Row &x = a.rows[i], &y = b.rows[i];
    if (x.record != y.record || x.values.size() != y.values.size()) return false;
    for (std::size_t k = 0; k < x.values.size(); ++k)
      if (x.values[k].text != y.values[k].text || x.values[k].number != y.values[k].number) return false;
  }
  return true;
}

}  // namespace

nlohmann::json format_rows(const Document& d, std::size_t from, std::size_t to) {
  nlohmann::json edits = nlohmann::json::array();
  if (!d.file) return edits;
  const std::string_view text = d.bytes;
  const auto& rows = d.outline.rows;

  // Runs of rows of one record, each alone on its line, line after line.
  std::vector<std::vector<Line>> runs;
  std::size_t previous_end = std::string_view::npos;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool shared = (i > 0 && rows[i - 1].keyword.offset == rows[i].keyword.offset) ||
                        (i + 1 < rows.size() && rows[i + 1].keyword.offset == rows[i].keyword.offset);
    const std::optional<Line> l = shared ? std::nullopt : own_line(text, rows[i]);
    if (!l) {
      previous_end = std::string_view::npos;
      continue;
    }
    // The next line: only a line end between the two.
    const bool next_line = previous_end != std::string_view::npos && l->start > previous_end &&
                           std::all_of(text.begin() + static_cast<long>(previous_end),
                                       text.begin() + static_cast<long>(l->start), is_line_end) &&
                           l->start - previous_end <= 2;
    if (!next_line || runs.back().back().row->record != l->row->record) runs.emplace_back();
    runs.back().push_back(*l);
    previous_end = l->end;
  }

  std::string formatted;
  struct Change {
    std::size_t start, end;
    std::string line;
  };
  std::vector<Change> changes;
  for (const std::vector<Line>& run : runs) {
    const std::vector<std::string> lines = laid_out(text, run);
    for (std::size_t i = 0; i < run.size(); ++i) {
      const Line& l = run[i];
      if (l.row->keyword.offset < from || l.row->keyword.offset >= to) continue;
      if (text.substr(l.start, l.end - l.start) != lines[i]) changes.push_back({l.start, l.end, lines[i]});
    }
  }
  if (changes.empty()) return edits;

  // The whole text as it would be, read again: a layout that reads
  // otherwise is no layout.
  std::size_t at = 0;
  for (const Change& c : changes) {
    formatted.append(text.substr(at, c.start - at));
    formatted += c.line;
    at = c.end;
  }
  formatted.append(text.substr(at));
  if (!same_reading(d.outline, outline(formatted, d.file->text))) return edits;

  const LineIndex index(d.bytes);
  for (const Change& c : changes)
    edits.push_back({{"range", range_json(index, c.start, c.end)}, {"newText", to_utf8(c.line)}});
  return edits;
}

}  // namespace lsp
