#include "lsp/records.h"

#include <algorithm>

namespace lsp {

std::shared_ptr<const Outline> outline(std::string_view text, Text which) {
  return std::make_shared<const Outline>(scenario::read_rows(text, which, true));
}

const std::shared_ptr<const Outline>& no_outline() {
  static const std::shared_ptr<const Outline> none = std::make_shared<const Outline>();
  return none;
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
    if (r->record && offset <= o.end_of(*r)) return &*r;
  return nullptr;
}

int field_at(const Outline& o, const Row& row, std::size_t offset) {
  const std::span<const Field> values = o.values_of(row);
  for (std::size_t i = values.size(); i-- > 0;)
    if (offset >= values[i].offset) return static_cast<int>(i);
  return -1;
}

}  // namespace lsp
