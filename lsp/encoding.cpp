#include "lsp/encoding.h"

#include <algorithm>
#include <cstdint>

#include "text/cp1252.h"

namespace lsp {
namespace {

// The byte of a code point in Windows-1252, or -1.
int from_code_point(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int b = 0x80; b < 0xA0; ++b)
    if (scenarioc::da_cp1252(static_cast<unsigned char>(b)) == c) return b;
  return -1;
}

}  // namespace

Converted to_cp1252(std::string_view s) {
  Converted out;
  out.bytes.reserve(s.size());
  std::size_t i = 0;
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  while (i < s.size()) {
    const unsigned char b = byte(i);
    if (b < 0x80) {
      out.bytes += static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t n = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    bool valid = n != 0 && i + n <= s.size();
    char32_t c = n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (std::size_t k = 1; valid && k < n; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are malformed.
    if (valid && ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                  (c >= 0xD800 && c <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out.unmapped.push_back(out.bytes.size());
      out.bytes += '?';
      ++i;
      continue;
    }
    const int mapped = from_code_point(c);
    if (mapped >= 0) {
      out.bytes += static_cast<char>(mapped);
    } else {
      out.unmapped.push_back(out.bytes.size());
      out.bytes.append(c >= 0x10000 ? 2 : 1, '?');
    }
    i += n;
  }
  return out;
}

std::string to_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const char32_t c = scenarioc::da_cp1252(static_cast<unsigned char>(ch));
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
  return out;
}

LineIndex::LineIndex(std::string_view text) : text_(text), starts_{0} {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      starts_.push_back(i + 1);
  }
}

Position LineIndex::position(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const std::size_t line = static_cast<std::size_t>(after - starts_.begin()) - 1;
  return {line, offset - starts_[line]};
}

std::string_view LineIndex::line(std::size_t n) const {
  if (n >= starts_.size()) return {};
  std::size_t end = n + 1 < starts_.size() ? starts_[n + 1] : text_.size();
  while (end > starts_[n] && (text_[end - 1] == '\n' || text_[end - 1] == '\r')) --end;
  return text_.substr(starts_[n], end - starts_[n]);
}

std::size_t LineIndex::offset(Position p) const {
  if (p.line >= starts_.size()) return text_.size();
  return starts_[p.line] + std::min(p.character, line(p.line).size());
}

}  // namespace lsp
