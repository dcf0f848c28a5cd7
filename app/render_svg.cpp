#include "render_svg.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace scenarioc::svg {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned codes.
constexpr char16_t cp1252_alto[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t sostituto = 0xFFFD;

void utf8(std::string& out, char32_t c) {
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

bool escapa(std::string& out, char c) {
  switch (c) {
    case '&': out += "&amp;"; return true;
    case '<': out += "&lt;"; return true;
    case '>': out += "&gt;"; return true;
    case '"': out += "&quot;"; return true;
    case '\'': out += "&apos;"; return true;
    default: return false;
  }
}

}  // namespace

std::string testo(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) {
    const auto c = static_cast<unsigned char>(ch);
    if (escapa(out, ch)) continue;
    if (c < 0x20 || c == 0x7F) utf8(out, sostituto);
    else if (c < 0x80) out += ch;
    else if (c < 0xA0) utf8(out, cp1252_alto[c - 0x80] ? cp1252_alto[c - 0x80] : sostituto);
    else utf8(out, c);
  }
  return out;
}

std::string nostro(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s)
    if (!escapa(out, ch)) out += ch;
  return out;
}

std::string num(double v, int decimali) {
  if (!std::isfinite(v)) return "0";
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*f", decimali, v);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return "0";  // beyond any drawing
  std::string s(buf, static_cast<std::size_t>(n));
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string polilinea(const std::vector<Punto>& punti) {
  std::string d;
  d.reserve(punti.size() * 9);
  // Deltas between rounded points, so the rounding never adds up along the line.
  auto decimi = [](double v) { return std::abs(v) < 1e12 ? std::llround(v * 10) : 0LL; };
  long long px = 0, py = 0;
  for (std::size_t i = 0; i < punti.size(); ++i) {
    const long long x = decimi(punti[i].x), y = decimi(punti[i].y);
    if (i == 0) d += "M" + num(static_cast<double>(x) / 10) + " " + num(static_cast<double>(y) / 10);
    else d += (i == 1 ? " l" : " ") + num(static_cast<double>(x - px) / 10) + " " + num(static_cast<double>(y - py) / 10);
    px = x;
    py = y;
  }
  return d;
}

Documento::Documento(double larghezza, std::string_view stile) : larghezza_(larghezza), stile_(stile) {}

void Documento::apri_gruppo(std::string_view id, std::string_view attributi) {
  out_ += "<g";
  if (!id.empty()) out_ += " id=\"" + std::string(id) + "\"";
  if (!attributi.empty()) out_ += " " + std::string(attributi);
  out_ += ">\n";
  ++aperti_;
}

void Documento::chiudi_gruppo() {
  if (aperti_ == 0) return;
  out_ += "</g>\n";
  --aperti_;
}

void Documento::elemento(std::string_view tag, std::string_view attributi, std::string_view titolo) {
  out_ += '<';
  out_ += tag;
  out_ += ' ';
  out_ += attributi;
  if (titolo.empty()) {
    out_ += "/>\n";
    return;
  }
  out_ += "><title>";
  out_ += titolo;
  out_ += "</title></";
  out_ += tag;
  out_ += ">\n";
}

void Documento::testo(std::string_view attributi, std::string_view contenuto) {
  out_ += "<text ";
  out_ += attributi;
  out_ += '>';
  out_ += contenuto;
  out_ += "</text>\n";
}

std::string Documento::finisci(double altezza) {
  while (aperti_ > 0) chiudi_gruppo();
  const std::string w = num(larghezza_, 0), h = num(std::ceil(altezza), 0);
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                    "\" viewBox=\"0 0 " + w + " " + h + "\">\n<style>\n" + stile_ + "</style>\n";
  doc.reserve(doc.size() + out_.size() + 8);
  doc += out_;
  doc += "</svg>\n";
  return doc;
}

}  // namespace scenarioc::svg
