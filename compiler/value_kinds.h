// The narrow value kinds of the train description: a byte (0 to 255) and a
// 16-bit number. A value that does not fit its kind is a reading failure.
// The readers' own arithmetic is 32-bit: every sum and product is checked
// where it is formed (in_32), so no result is carried on in wider numbers.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "text/field_reader.h"

namespace scenario {

// A value read at `offset` as a byte or as a 16-bit number.
inline std::uint8_t byte_value(std::int32_t v, std::size_t offset) {
  if (v < 0 || v > 255)
    throw ReadFailure(offset, std::to_string(v) + " does not fit a byte (0 to 255)");
  return static_cast<std::uint8_t>(v);
}

inline std::int16_t small_value(std::int32_t v, std::size_t offset) {
  if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
    throw ReadFailure(offset, std::to_string(v) + " does not fit 16 bits");
  return static_cast<std::int16_t>(v);
}

// One step of the readers' 32-bit arithmetic, formed in 64 bits: a result
// outside 32 bits is a reading failure at `offset`.
inline std::int32_t in_32(std::int64_t v, std::size_t offset, std::string_view what) {
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    throw ReadFailure(offset, std::string(what) + " does not fit 32 bits");
  return static_cast<std::int32_t>(v);
}

}  // namespace scenario
