// The texts of the compiled files are 8-bit, in the Windows-1252 code page;
// the tool's JSON and SVG are Unicode. One table maps the bytes across.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scenarioc {

// The code point of a Windows-1252 byte. Bytes below 0x80 are ASCII and
// 0xA0 and above Latin-1; the five codes the page leaves unassigned keep
// their C1 control value.
inline char32_t from_cp1252(unsigned char c) {
  static constexpr char16_t alto[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return c >= 0x80 && c < 0xA0 ? alto[c - 0x80] : c;
}

// The next code point of UTF-8 text at `at`, which moves past it; nothing
// for bytes that are not UTF-8 (a stray continuation byte, a cut or overlong
// sequence, a surrogate, a value past U+10FFFF), and then `at` does not move.
inline std::optional<char32_t> next_utf8(std::string_view s, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(at);
  if (b0 < 0x80) {
    ++at;
    return b0;
  }
  const std::size_t length = b0 >= 0xF8 ? 0 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
  if (length == 0 || at + length > s.size()) return std::nullopt;
  char32_t c = b0 & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  at += length;
  return c;
}

// The Windows-1252 byte of a code point; nothing for a character the code
// page lacks.
inline std::optional<unsigned char> cp1252_byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (unsigned char b = 0x80; b < 0xA0; ++b)
    if (from_cp1252(b) == c) return b;
  return std::nullopt;
}

// UTF-8 text in Windows-1252; nothing when it is not UTF-8 or holds a
// character the code page lacks.
inline std::optional<std::string> to_cp1252(std::string_view utf8) {
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::optional<char32_t> c = next_utf8(utf8, at);
    if (!c) return std::nullopt;
    const std::optional<unsigned char> b = cp1252_byte(*c);
    if (!b) return std::nullopt;
    out += static_cast<char>(*b);
  }
  return out;
}

// Appends a code point of the Basic Multilingual Plane (every Windows-1252
// character is one) as UTF-8.
inline void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace scenarioc
