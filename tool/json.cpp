#include "tool/json.h"

#include <charconv>
#include <cmath>

#include "text/cp1252.h"

namespace scenarioc {
namespace {

void escape_u(std::string& out, unsigned codice) {
  static constexpr char hex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += hex[(codice >> shift) & 0xF];
}

}  // namespace

void Json::prima_del_valore() {
  if (dopo_chiave_) {
    dopo_chiave_ = false;
    return;
  }
  if (!vuoto_.empty()) {
    if (!vuoto_.back()) out_ += ", ";
    vuoto_.back() = false;
  }
}

void Json::stringa(std::string_view s, bool utf8) {
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
        else escape_u(out_, static_cast<unsigned>(da_cp1252(c)));
    }
  }
  out_ += '"';
}

Json& Json::inizio_oggetto() {
  prima_del_valore();
  out_ += '{';
  vuoto_.push_back(true);
  return *this;
}

Json& Json::fine_oggetto() {
  out_ += '}';
  vuoto_.pop_back();
  return *this;
}

Json& Json::inizio_lista() {
  prima_del_valore();
  out_ += '[';
  vuoto_.push_back(true);
  return *this;
}

Json& Json::fine_lista() {
  out_ += ']';
  vuoto_.pop_back();
  return *this;
}

Json& Json::chiave(std::string_view nome) {
  prima_del_valore();
  stringa(nome);
  out_ += ": ";
  dopo_chiave_ = true;
  return *this;
}

Json& Json::testo(std::string_view valore) {
  prima_del_valore();
  stringa(valore);
  return *this;
}

Json& Json::as_typed(std::string_view valore) {
  prima_del_valore();
  stringa(valore, true);
  return *this;
}

Json& Json::intero(std::int64_t valore) {
  prima_del_valore();
  out_ += std::to_string(valore);
  return *this;
}

Json& Json::reale(double valore) {
  if (!std::isfinite(valore)) return nullo();
  prima_del_valore();
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, valore);
  out_.append(buf, ec == std::errc{} ? end : buf);
  return *this;
}

Json& Json::nullo() {
  prima_del_valore();
  out_ += "null";
  return *this;
}

}  // namespace scenarioc
