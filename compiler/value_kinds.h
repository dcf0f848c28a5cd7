// The narrow value kinds of the train description: a byte (0 to 255) and a
// 16-bit number. A value that does not fit its kind is a reading failure.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "text/field_reader.h"

namespace scenario {

inline std::uint8_t leggi_byte(FieldReader& r) {
  const std::int32_t v = r.number();
  if (v < 0 || v > 255)
    throw ReadFailure(r.field_start(), std::to_string(v) + " does not fit a byte (0 to 255)");
  return static_cast<std::uint8_t>(v);
}

inline std::int16_t leggi_16(FieldReader& r) {
  const std::int32_t v = r.number();
  if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
    throw ReadFailure(r.field_start(), std::to_string(v) + " does not fit 16 bits");
  return static_cast<std::int16_t>(v);
}

}  // namespace scenario
