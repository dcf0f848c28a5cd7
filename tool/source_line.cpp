#include "tool/source_line.h"

namespace scenarioc {
namespace {

// Bytes of the line kept on either side of the caret when it is cut.
constexpr std::size_t kept_before = 60;
constexpr std::size_t kept_after = 60;

std::string shown_byte(char ch) {
  static constexpr char hex[] = "0123456789ABCDEF";
  const auto c = static_cast<unsigned char>(ch);
  if (c == 0) return "\\0";
  if ((c < 0x20 && c != '\t') || c == 0x7F) return {'\\', 'x', hex[c >> 4], hex[c & 0xF]};
  return std::string(1, ch);
}

}  // namespace

ShownLine show_line(std::string_view line, std::size_t column, std::size_t length) {
  const std::size_t at = column == 0 ? 0 : std::min(column - 1, line.size());
  std::size_t first = 0, last = line.size();
  if (line.size() > kept_before + kept_after) {
    first = at > kept_before ? at - kept_before : 0;
    last = std::min(line.size(), first + kept_before + kept_after);
    if (last - first < kept_before + kept_after) first = last - (kept_before + kept_after);
  }
  ShownLine shown;
  if (first > 0) {
    shown.text = "…";
    shown.caret = " ";
  }
  for (std::size_t i = first; i < last; ++i) {
    const std::string s = shown_byte(line[i]);
    shown.text += s;
    if (i < at) shown.caret += line[i] == '\t' ? std::string(1, '\t') : std::string(s.size(), ' ');
  }
  if (last < line.size()) shown.text += "…";
  shown.caret += '^';
  // The rest of the span, as far as it is shown.
  const std::size_t span_end = length > last - std::min(at, last) ? last : at + length;
  for (std::size_t i = at + 1; i < span_end; ++i)
    shown.caret += std::string(shown_byte(line[i]).size(), '~');
  return shown;
}

}  // namespace scenarioc
