// Reading an author's description text from the disk, the one way scenarioc
// check, compile and the language server all read it: a regular file, and
// no larger than any description of the longest line the formats allow, so
// that a link to a device or a runaway file is refused unread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scenarioc {

inline constexpr std::uint64_t largest_description_text = std::uint64_t{256} << 20;

struct DescriptionFile {
  std::optional<std::string> bytes;  // nothing when missing or refused
  bool missing = false;
  std::string problem;  // why it is not read: "does not exist", "is a device", ...
};

// Never throws platform::Failure: a failure is the result's `problem`.
DescriptionFile read_description_file(const std::string& path);

}  // namespace scenarioc
