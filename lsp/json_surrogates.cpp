#include "lsp/json_surrogates.h"

namespace lsp {

namespace {

// The code unit of a "\uXXXX" escape at `at` (the backslash), or -1.
long escaped_unit(std::string_view json, std::size_t at) {
  if (at + 6 > json.size() || json[at] != '\\' || json[at + 1] != 'u') return -1;
  long unit = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const char c = json[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

bool is_high(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low(long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<std::string> lone_surrogates_replaced(std::string_view json) {
  std::optional<std::string> out;
  for (std::size_t i = 0; i < json.size(); ++i) {
    if (json[i] != '\\') continue;
    const long unit = escaped_unit(json, i);
    if (unit < 0) {
      ++i;  // the escaped character, a backslash among them
      continue;
    }
    if (is_high(unit) && is_low(escaped_unit(json, i + 6))) {
      i += 11;  // a whole pair
      continue;
    }
    if (is_high(unit) || is_low(unit)) {
      if (!out) out.emplace(json);
      out->replace(i, 6, "\\ufffd");
    }
    i += 5;
  }
  return out;
}

}  // namespace lsp
