// Little-endian serialisation, one byte at a time, so the compiled files are
// the same on every machine and compiler. Never a struct dumped from memory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace scenario {

class ByteBuffer {
 public:
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
  void u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) u8(static_cast<std::uint8_t>(v >> shift));
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f64(double v) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    for (int shift = 0; shift < 64; shift += 8) u8(static_cast<std::uint8_t>(bits >> shift));
  }
  void bytes(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }

  std::size_t size() const { return bytes_.size(); }
  void reserve(std::size_t n) { bytes_.reserve(n); }
  void clear() { bytes_.clear(); }
  const std::vector<std::uint8_t>& data() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace scenario
