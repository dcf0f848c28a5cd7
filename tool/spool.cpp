#include "tool/spool.h"

#include <stdexcept>
#include <vector>

namespace scenarioc {
namespace {

constexpr std::size_t held_at_most = std::size_t{1} << 20;

}  // namespace

void Spool::write(std::string_view bytes) {
  held_.append(bytes);
  if (held_.size() < held_at_most || no_file_) return;
  if (!file_) {
    file_.reset(std::tmpfile());
    // Without a temporary folder the output stays in memory: shown late
    // is better than not shown.
    if (!file_) {
      no_file_ = true;
      return;
    }
  }
  if (std::fwrite(held_.data(), 1, held_.size(), file_.get()) != held_.size())
    throw std::runtime_error("cannot hold the diagnostics in a temporary file: the disk may be full");
  held_.clear();
}

void Spool::drain(const std::function<void(std::string_view)>& out) {
  if (file_) {
    if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0)
      throw std::runtime_error("cannot read back the diagnostics from a temporary file");
    std::vector<char> piece(held_at_most);
    for (;;) {
      const std::size_t n = std::fread(piece.data(), 1, piece.size(), file_.get());
      if (n > 0) out(std::string_view(piece.data(), n));
      if (n < piece.size()) break;
    }
    if (std::ferror(file_.get()))
      throw std::runtime_error("cannot read back the diagnostics from a temporary file");
    file_.reset();
  }
  if (!held_.empty()) out(held_);
  held_.clear();
  held_.shrink_to_fit();
}

}  // namespace scenarioc
