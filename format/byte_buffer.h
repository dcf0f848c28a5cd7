// Little-endian serialisation, one byte at a time, so the compiled files are
// the same on every machine and compiler. Never a struct dumped from memory.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace scenario {

// Spelled out byte by byte: compilers merge these into single stores.
inline void put_le16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put_le32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void put_le64(std::uint8_t* p, std::uint64_t v) {
  put_le32(p, static_cast<std::uint32_t>(v));
  put_le32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// `width` bytes of `v`, least significant first: for a field whose width
// a layout table gives.
inline void put_le(std::uint8_t* p, std::size_t width, std::uint64_t v) {
  for (std::size_t i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class ByteBuffer {
 public:
  void u8(std::uint8_t v) { *grow(1) = v; }
  void u16(std::uint16_t v) { put_le16(grow(2), v); }
  void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
  void u32(std::uint32_t v) { put_le32(grow(4), v); }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f64(double v) { put_le64(grow(8), std::bit_cast<std::uint64_t>(v)); }
  void le(std::size_t width, std::uint64_t v) { put_le(grow(width), width, v); }
  void bytes(std::string_view s) {
    std::uint8_t* p = grow(s.size());
    std::copy(s.begin(), s.end(), p);
  }

  // Room for `n` more bytes, to be filled at once.
  std::uint8_t* append(std::size_t n) { return grow(n); }

  std::size_t size() const { return size_; }
  void reserve(std::size_t n) {
    if (n > storage_.size()) storage_.resize(n);
  }
  void clear() { size_ = 0; }
  std::span<const std::uint8_t> data() const { return {storage_.data(), size_}; }

 private:
  // The storage only grows; clear() keeps it for the next file.
  std::uint8_t* grow(std::size_t n) {
    if (size_ + n > storage_.size()) storage_.resize(std::max(storage_.size() * 2, size_ + n));
    std::uint8_t* p = storage_.data() + size_;
    size_ += n;
    return p;
  }

  std::vector<std::uint8_t> storage_;
  std::size_t size_ = 0;
};

}  // namespace scenario
