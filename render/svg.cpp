#include "render/svg.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "text/cp1252.h"

namespace scenarioc::svg {
namespace {

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
    const char32_t u = da_cp1252(c);
    // Control characters, C1 ones included, have no place in a picture.
    if (u < 0x20 || (u >= 0x7F && u < 0xA0)) utf8(out, sostituto);
    else if (u < 0x80) out += ch;
    else utf8(out, u);
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
