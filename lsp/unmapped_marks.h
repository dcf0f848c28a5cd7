// Which bytes of a converted text stand for characters that Windows-1252
// cannot hold: one bit per byte, so that a text made of nothing else costs
// an eighth of its size here rather than a list eight times its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lsp {

class UnmappedMarks {
 public:
  // Bytes covered, marked or not.
  std::size_t size() const { return size_; }
  bool any() const { return marked_ > 0; }
  bool test(std::size_t at) const { return at < size_ && (words_[at / 64] >> (at % 64) & 1) != 0; }

  // One more byte, marked or not.
  void push_back(bool marked);
  // Bytes [from, to) replaced by the bytes of `inserted`.
  void replace(std::size_t from, std::size_t to, const UnmappedMarks& inserted);

  // Each run of consecutive marked bytes, in order: f(first, length).
  template <typename F>
  void runs(F&& f) const {
    std::size_t at = 0;
    while (at < size_) {
      // Whole unmarked words are skipped at once.
      if (at % 64 == 0 && words_[at / 64] == 0) {
        at += 64;
        continue;
      }
      if (!test(at)) {
        ++at;
        continue;
      }
      const std::size_t first = at;
      while (at < size_ && test(at)) ++at;
      f(first, at - first);
    }
  }

 private:
  std::vector<std::uint64_t> words_;
  std::size_t size_ = 0;
  std::size_t marked_ = 0;
};

}  // namespace lsp
