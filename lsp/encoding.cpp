#include "lsp/encoding.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>

#include "text/cp1252.h"

namespace lsp {

namespace {

// UTF-8 as the JSON writer takes it: no overlong form, no surrogate.
bool valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();)
    if (!scenario::next_utf8(s, i)) return false;
  return true;
}

}  // namespace

std::string protocol_text(std::string_view s) { return valid_utf8(s) ? std::string(s) : to_utf8(s); }

Converted to_cp1252(std::string_view s) {
  Converted out;
  out.bytes.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::optional<char32_t> c = scenario::next_utf8(s, i);
    if (!c) {
      // Malformed UTF-8: one byte is one unmapped character.
      out.unmapped.push_back(true);
      out.bytes += '?';
      ++i;
      continue;
    }
    if (const std::optional<unsigned char> b = scenario::cp1252_byte(*c)) {
      out.bytes += static_cast<char>(*b);
      out.unmapped.push_back(false);
    } else {
      const std::size_t units = *c >= 0x10000 ? 2 : 1;
      out.bytes.append(units, '?');
      for (std::size_t k = 0; k < units; ++k) out.unmapped.push_back(true);
    }
  }
  return out;
}

std::string to_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) scenario::append_utf8(out, scenario::from_cp1252(static_cast<unsigned char>(ch)));
  return out;
}

LineIndex::LineIndex(std::string_view text) : text_(text) {
  // Offsets in 32 bits, and room taken once: a text of nothing but line
  // ends must not cost sixteen times its size.
  if (text.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("a text larger than 4 GiB");
  auto ends_line = [&](std::size_t i) {
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
  };
  std::size_t lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) lines += ends_line(i) ? 1 : 0;
  starts_.reserve(lines);
  starts_.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i)
    if (ends_line(i)) starts_.push_back(static_cast<std::uint32_t>(i + 1));
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
