// The writing sequence shared by the five scenario texts: the file is
// replaced whole and every line ends with CR LF. Lines are 8-bit text and are
// written byte for byte.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenario {

// The end sentinel that closes every writer's line list.
inline constexpr std::string_view end_of_lines = "riferimento fine del file";

// The text of `righe` up to (not including) the first entry equal to the
// sentinel, or of all of them when none is: each line ended by CR LF.
std::string joined_lines(std::span<const std::string_view> righe);

// Writes `righe` up to (not including) the first entry equal to the
// sentinel, or all of them when none is. Throws platform::Failure.
void write_lines(const std::string& path, std::span<const std::string_view> righe);

}  // namespace scenario
