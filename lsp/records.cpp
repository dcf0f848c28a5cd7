#include "lsp/records.h"

#include <algorithm>
#include <utility>

namespace lsp {

Outline outline(std::string_view text, Text which) {
  // The editor reads curves as records whatever its compile builds.
  scenario::RowList l = scenario::read_rows(text, which, true);
  Outline o;
  o.headers = std::move(l.headers);
  o.values = std::move(l.values);  // the rows' values stay where they are
  o.body_start = which == Text::linea ? l.body_start : 0;
  o.rows.reserve(l.rows.size());
  for (Row& r : l.rows)
    if (r.record) o.rows.push_back(std::move(r));
  return o;
}

const Row* row_at(const Outline& o, std::size_t offset) {
  auto after = std::upper_bound(o.rows.begin(), o.rows.end(), offset,
                                [](std::size_t x, const Row& r) { return x < r.keyword.offset; });
  if (after == o.rows.begin()) return nullptr;
  // Several records on one keyword read their values one after another.
  const std::size_t keyword = (after - 1)->keyword.offset;
  auto first = after - 1;
  while (first != o.rows.begin() && (first - 1)->keyword.offset == keyword) --first;
  for (auto r = first; r != after; ++r)
    if (offset <= r->end) return &*r;
  return nullptr;
}

int field_at(const Row& row, std::size_t offset) {
  for (std::size_t i = row.values.size(); i-- > 0;)
    if (offset >= row.values[i].offset) return static_cast<int>(i);
  return -1;
}

}  // namespace lsp
