#include "lsp/signature_help.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "lsp/features.h"

namespace lsp {

using nlohmann::json;

std::string value_width(const scenario::ValueInfo& v) {
  using scenario::Outside;
  using scenario::Storage;
  const std::string range = std::to_string(v.min) + " to " + std::to_string(v.max);
  std::string kept;
  switch (v.storage) {
    case Storage::whole: kept = "32-bit signed"; break;
    case Storage::small: kept = "16-bit signed"; break;
    case Storage::byte: kept = "one byte"; break;
    case Storage::low_byte: kept = "one byte, its low 8 bits"; break;
    case Storage::fifth: kept = "one byte, in steps of 5"; break;
    case Storage::text: return "text, up to " + std::to_string(v.max) + " bytes; longer: error 25";
  }
  switch (v.outside) {
    case Outside::nothing: return kept + ", any whole number that fits";
    case Outside::failure: return kept + ", " + range + "; beyond that, error 25";
    case Outside::wraps: return kept + ", " + range + "; beyond that, only the low bits are kept";
    case Outside::error: return kept + ", " + range + "; beyond that, error " + std::to_string(v.error);
  }
  return kept;
}

namespace {

bool separates(std::string_view gap, bool number) {
  return gap.find(',') != std::string_view::npos ||
         (number && gap.find_first_of(" \t") != std::string_view::npos);
}

// The value the cursor is in, or about to type: -1 before the first, the
// record's value count past the last.
int value_at(const Outline& o, const Row& r, std::string_view text, std::size_t offset) {
  const int on = field_at(o, r, offset);
  const Field& f = on < 0 ? r.keyword : o.values_of(r)[static_cast<std::size_t>(on)];
  const std::size_t end = f.offset + f.length;
  if (offset <= end) return on;
  return separates(text.substr(end, offset - end), on >= 0) ? on + 1 : on;
}

// The row typed on a line of its own after a short row: the reader takes
// the line's keyword for the short row's next value, but the author is
// writing the line's own record, whose values the signature shows (the
// diagnostic on the short row says how it is read). The row as the line
// holds it, or nothing when the line does not begin with such a keyword.
std::optional<Outline> own_line_row(const Document& d, const Outline& o, const Row& r, std::size_t offset) {
  const std::string_view text = d.bytes;
  const std::size_t line_start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 is 0
  if (r.keyword.offset >= line_start) return std::nullopt;  // the row begins on this line
  const std::size_t start = text.find_first_not_of(" \t", line_start);
  const std::span<const Field> values = o.values_of(r);
  const auto swallowed = std::find_if(values.begin(), values.end(), [&](const Field& v) { return v.offset == start; });
  if (swallowed == values.end() || swallowed->is_number) return std::nullopt;
  const scenario::Section section = d.file->text == scenario::Text::treno ? scenario::Section::train
                                    : start >= o.body_start              ? scenario::Section::body
                                                                         : scenario::Section::general;
  const auto field = [&](std::size_t at) {
    Field f;
    f.offset = static_cast<std::uint32_t>(at);
    f.length = static_cast<std::uint32_t>(field_length(text, at));
    return f;
  };
  Outline own;
  own.source = text;
  Row row;
  row.keyword = field(start);
  row.section = section;
  scenario::for_each_match(section, own.bytes_of(row.keyword), [&](const scenario::RecordInfo& rec) {
    if (!row.record) row.record = &rec;
  });
  if (!row.record) return std::nullopt;
  const std::size_t line_end = std::min(text.find_first_of("\r\n", start), text.size());
  for (std::size_t at = row.keyword.end(); at < line_end;) {
    at = text.find_first_not_of(" \t,", at);
    if (at >= line_end) break;
    own.values.push_back(field(at));
    at += std::max<std::size_t>(own.values.back().length, 1);
  }
  row.value_count = static_cast<std::uint8_t>(std::min<std::size_t>(own.values.size(), 255));
  own.rows.push_back(row);
  return own;
}

}  // namespace

json signature_help(const Document& d, std::size_t offset) {
  if (!d.file) return nullptr;
  const std::string_view text = d.bytes;
  const Outline& o = *d.outline;
  const auto& rows = o.rows;
  auto after = std::upper_bound(rows.begin(), rows.end(), offset,
                                [](std::size_t x, const Row& r) { return x < r.keyword.offset; });
  // Keyword fields read as no record are no rows to help with.
  while (after != rows.begin() && !(after - 1)->record) --after;
  if (after == rows.begin()) return nullptr;
  // A keyword may run several records, one after another on its values.
  const std::size_t keyword = (after - 1)->keyword.offset;
  auto row = after - 1;
  while (row != rows.begin() && (row - 1)->keyword.offset == keyword) --row;
  while (row + 1 != after && offset > o.end_of(*row)) ++row;
  const std::optional<Outline> own = own_line_row(d, o, *row, offset);
  const Outline& rows_here = own ? *own : o;
  const Row& r = own ? own->rows.front() : *row;
  const std::size_t end = rows_here.end_of(r);
  if (offset > end && text.substr(end, offset - end).find_first_of("\r\n") != std::string_view::npos)
    return nullptr;  // a later line, not this row's
  const scenario::RecordInfo& info = scenario::record(static_cast<scenario::RecordId>(r.record->id));
  const int active = std::max(value_at(rows_here, r, text, offset), 0);
  if (static_cast<std::size_t>(active) >= info.values.size()) return nullptr;

  std::string label(info.keyword);
  json parameters = json::array();
  for (const scenario::ValueInfo& v : info.values) {
    label += ", ";
    const std::size_t from = label.size();
    label += v.name;
    std::string doc = std::string(v.meaning);
    if (!v.becomes.empty()) doc += (doc.empty() ? "" : "\n\n") + std::string("→ ") + std::string(v.becomes);
    doc += "\n\n" + value_width(v);
    parameters.push_back({{"label", {from, label.size()}}, {"documentation", {{"kind", "markdown"}, {"value", doc}}}});
  }
  const json signature = {{"label", label},
                          {"documentation", {{"kind", "markdown"}, {"value", std::string(info.meaning)}}},
                          {"parameters", std::move(parameters)},
                          {"activeParameter", active}};
  return {{"signatures", json::array({signature})}, {"activeSignature", 0}, {"activeParameter", active}};
}

}  // namespace lsp
