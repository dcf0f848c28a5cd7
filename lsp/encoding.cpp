#include "lsp/encoding.h"

#include <algorithm>
#include <optional>

#include "text/cp1252.h"

namespace lsp {

namespace {

bool valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b < 0x80                ? 1
                          : b >= 0xC2 && b < 0xE0 ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF5 ? 4
                                                  : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string protocol_text(std::string_view s) { return valid_utf8(s) ? std::string(s) : to_utf8(s); }

Converted to_cp1252(std::string_view s) {
  Converted out;
  out.bytes.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::optional<char32_t> c = scenarioc::next_utf8(s, i);
    if (!c) {
      // Malformed UTF-8: one byte is one unmapped character.
      out.unmapped.push_back({out.bytes.size(), 1});
      out.bytes += '?';
      ++i;
      continue;
    }
    if (const std::optional<unsigned char> b = scenarioc::cp1252_byte(*c)) {
      out.bytes += static_cast<char>(*b);
    } else {
      const std::size_t width = *c >= 0x10000 ? 2 : 1;
      out.unmapped.push_back({out.bytes.size(), width});
      out.bytes.append(width, '?');
    }
  }
  return out;
}

std::string to_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) scenarioc::append_utf8(out, scenarioc::da_cp1252(static_cast<unsigned char>(ch)));
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
