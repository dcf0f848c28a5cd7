#include "lsp/unmapped_marks.h"

namespace lsp {

void UnmappedMarks::push_back(bool marked) {
  if (size_ % 64 == 0) words_.push_back(0);
  if (marked) {
    words_[size_ / 64] |= std::uint64_t{1} << (size_ % 64);
    ++marked_;
  }
  ++size_;
}

void UnmappedMarks::replace(std::size_t from, std::size_t to, const UnmappedMarks& inserted) {
  if (to > size_) to = size_;
  if (from > to) from = to;
  if (!any() && !inserted.any()) {
    // The common case: nothing marked before or after.
    size_ = size_ - (to - from) + inserted.size_;
    words_.assign((size_ + 63) / 64, 0);
    return;
  }
  UnmappedMarks out;
  out.words_.reserve((size_ - (to - from) + inserted.size_ + 63) / 64);
  for (std::size_t i = 0; i < from; ++i) out.push_back(test(i));
  for (std::size_t i = 0; i < inserted.size_; ++i) out.push_back(inserted.test(i));
  for (std::size_t i = to; i < size_; ++i) out.push_back(test(i));
  *this = std::move(out);
}

}  // namespace lsp
