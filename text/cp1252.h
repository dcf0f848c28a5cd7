// The texts of the compiled files are 8-bit, in the Windows-1252 code page;
// the tool's JSON and SVG are Unicode. One table maps the bytes across.
#pragma once

namespace scenarioc {

// The code point of a Windows-1252 byte. Bytes below 0x80 are ASCII and
// 0xA0 and above Latin-1; the five codes the page leaves unassigned keep
// their C1 control value.
inline char32_t da_cp1252(unsigned char c) {
  static constexpr char16_t alto[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return c >= 0x80 && c < 0xA0 ? alto[c - 0x80] : c;
}

}  // namespace scenarioc
