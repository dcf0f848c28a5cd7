#include "lsp/signature_help.h"

#include <algorithm>
#include <string_view>

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
  const Row& r = *row;
  const std::size_t end = o.end_of(r);
  if (offset > end && text.substr(end, offset - end).find_first_of("\r\n") != std::string_view::npos)
    return nullptr;  // a later line, not this row's
  const scenario::RecordInfo& info = scenario::record(static_cast<scenario::RecordId>(r.record->id));
  const int active = std::max(value_at(o, r, text, offset), 0);
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
