// Where the compiler gets a description text from. The one-shot program's
// texts are files beside it, read and then deleted; an author's check, an
// editor's buffer or a fuzz input are bytes in memory. The compiler itself
// never touches a file.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenario {

class DescriptionText {
 public:
  virtual ~DescriptionText() = default;
  virtual bool exists() const = 0;
  // The whole text. Throws a std::runtime_error when it cannot be had.
  virtual std::string read() = 0;
  // The reader is done with the text (the one-shot program deletes its file
  // here). Called at most once, and only while exists() holds.
  virtual void discard() = 0;
};

// Bytes in memory, owned by the caller and outliving the compile; nullopt
// stands for a missing file. Discarding makes it missing, as deleting a file
// would.
class TextInMemory final : public DescriptionText {
 public:
  // `name` is what a failure to read a missing text calls it.
  TextInMemory(std::optional<std::string_view> bytes, std::string name)
      : bytes_(bytes), name_(std::move(name)) {}
  bool exists() const override { return bytes_.has_value(); }
  std::string read() override {
    if (!bytes_) throw std::runtime_error("cannot open \"" + name_ + "\"");
    return std::string(*bytes_);
  }
  void discard() override {
    bytes_.reset();
    ++discards_;
  }
  int discards() const { return discards_; }

 private:
  std::optional<std::string_view> bytes_;
  std::string name_;
  int discards_ = 0;
};

struct DescriptionTexts {
  DescriptionText& linea;
  DescriptionText& treno;
};

}  // namespace scenario
