// The one-shot program's description texts: files beside the program, read
// whole and deleted once the reader is done with them.
#pragma once

#include <string>

#include "compiler/description_text.h"

namespace scenario {

class OneShotDescriptionFile final : public DescriptionText {
 public:
  explicit OneShotDescriptionFile(std::string path) : path_(std::move(path)) {}
  bool exists() const override;
  std::string read() override;  // throws platform::Failure
  void discard() override;      // deletes the file; throws platform::Failure
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace scenario
