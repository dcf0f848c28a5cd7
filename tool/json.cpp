#include "tool/json.h"

#include <charconv>
#include <cmath>

#include "text/cp1252.h"

namespace scenarioc {
namespace {

void escape_u(std::string& out, unsigned code) {
  static constexpr char hex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += hex[(code >> shift) & 0xF];
}

}  // namespace

void Json::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!empty_.empty()) {
    if (!empty_.back()) out_ += ", ";
    empty_.back() = false;
  }
}

void Json::quoted(std::string_view s, bool utf8) {
  out_ += '"';
  for (std::size_t at = 0; at < s.size();) {
    const char ch = s[at];
    const auto c = static_cast<unsigned char>(ch);
    if (utf8 && c >= 0x80) {
      const std::size_t start = at;
      if (const auto u = next_utf8(s, at)) {
        // A C1 control is escaped like any other control.
        if (*u < 0xA0) escape_u(out_, static_cast<unsigned>(*u));
        else out_.append(s.substr(start, at - start));
        continue;
      }
    }
    ++at;
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) escape_u(out_, c);
        else if (c < 0x80) out_ += ch;
        else escape_u(out_, static_cast<unsigned>(from_cp1252(c)));
    }
  }
  out_ += '"';
}

Json& Json::begin_object() {
  before_value();
  out_ += '{';
  empty_.push_back(true);
  return *this;
}

Json& Json::end_object() {
  out_ += '}';
  empty_.pop_back();
  return *this;
}

Json& Json::begin_list() {
  before_value();
  out_ += '[';
  empty_.push_back(true);
  return *this;
}

Json& Json::end_list() {
  out_ += ']';
  empty_.pop_back();
  return *this;
}

Json& Json::key(std::string_view name) {
  before_value();
  quoted(name);
  out_ += ": ";
  after_key_ = true;
  return *this;
}

Json& Json::text(std::string_view value) {
  before_value();
  quoted(value);
  return *this;
}

Json& Json::as_typed(std::string_view value) {
  before_value();
  quoted(value, true);
  return *this;
}

Json& Json::integer(std::int64_t value) {
  before_value();
  out_ += std::to_string(value);
  return *this;
}

Json& Json::real(double value) {
  if (!std::isfinite(value)) return null();
  before_value();
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, ec == std::errc{} ? end : buf);
  return *this;
}

Json& Json::null() {
  before_value();
  out_ += "null";
  return *this;
}

}  // namespace scenarioc
