// nearest(): every conversion of a computed value to a whole number in the
// compiler rounds to the nearest integer, an exact half to the even one.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace scenario {

inline double nearest(double x) { return std::nearbyint(x); }  // default mode: half to even

// nearest(x) as an index: the callers divide 32-bit positions by 50, so the
// result always fits.
inline std::int64_t indice_vicino(double x) { return static_cast<std::int64_t>(nearest(x)); }

// nearest(x) when it fits T, nothing otherwise (never undefined behaviour).
template <typename T>
std::optional<T> nearest_as(double x) {
  double r = nearest(x);
  if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
        r <= static_cast<double>(std::numeric_limits<T>::max())))
    return std::nullopt;
  return static_cast<T>(r);
}

// The low 8 or 16 bits of a whole number, as the model's narrow fields keep them.
inline std::uint8_t low_byte(std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
inline std::int16_t low_16(std::int64_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
}

}  // namespace scenario
