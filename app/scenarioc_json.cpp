#include "scenarioc_json.h"

#include <charconv>
#include <cmath>

namespace scenarioc {
namespace {

// Windows-1252 0x80..0x9F; the other bytes above 0x7F are Latin-1. The five
// unassigned codes keep their C1 control value.
constexpr char16_t cp1252_alto[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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

void Json::stringa(std::string_view s) {
  out_ += '"';
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) escape_u(out_, c);
        else if (c < 0x80) out_ += ch;
        else if (c < 0xA0) escape_u(out_, cp1252_alto[c - 0x80]);
        else escape_u(out_, c);
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
