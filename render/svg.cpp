#include "render/svg.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "model/version.h"
#include "text/cp1252.h"

namespace scenarioc::svg {
namespace {

constexpr char32_t replacement = 0xFFFD;

bool escape(std::string& out, char c) {
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

std::string cp1252_text(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) {
    const auto c = static_cast<unsigned char>(ch);
    if (escape(out, ch)) continue;
    const char32_t u = from_cp1252(c);
    // Control characters, C1 ones included, have no place in a picture.
    if (u < 0x20 || (u >= 0x7F && u < 0xA0)) append_utf8(out, replacement);
    else if (u < 0x80) out += ch;
    else append_utf8(out, u);
  }
  return out;
}

std::string utf8_text(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s)
    if (!escape(out, ch)) out += ch;
  return out;
}

std::string num(double v, int decimals) {
  if (!std::isfinite(v)) return "0";
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return "0";  // beyond any drawing
  std::string s(buf, static_cast<std::size_t>(n));
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string polyline(const std::vector<Point>& points) {
  std::string d;
  d.reserve(points.size() * 9);
  // Deltas between rounded points, so the rounding never adds up along the line.
  auto tenths = [](double v) { return std::abs(v) < 1e12 ? std::llround(v * 10) : 0LL; };
  long long px = 0, py = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const long long x = tenths(points[i].x), y = tenths(points[i].y);
    if (i == 0) d += "M" + num(static_cast<double>(x) / 10) + " " + num(static_cast<double>(y) / 10);
    else d += (i == 1 ? " l" : " ") + num(static_cast<double>(x - px) / 10) + " " + num(static_cast<double>(y - py) / 10);
    px = x;
    py = y;
  }
  return d;
}

Document::Document(double width, std::string_view style) : width_(width), style_(style) {}

void Document::open_group(std::string_view id, std::string_view attributes) {
  out_ += "<g";
  if (!id.empty()) out_ += " id=\"" + std::string(id) + "\"";
  if (!attributes.empty()) out_ += " " + std::string(attributes);
  out_ += ">\n";
  ++open_groups_;
}

void Document::close_group() {
  if (open_groups_ == 0) return;
  out_ += "</g>\n";
  --open_groups_;
}

void Document::element(std::string_view tag, std::string_view attributes, std::string_view title) {
  out_ += '<';
  out_ += tag;
  out_ += ' ';
  out_ += attributes;
  if (title.empty()) {
    out_ += "/>\n";
    return;
  }
  out_ += "><title>";
  out_ += title;
  out_ += "</title></";
  out_ += tag;
  out_ += ">\n";
}

void Document::text(std::string_view attributes, std::string_view content) {
  out_ += "<text ";
  out_ += attributes;
  out_ += '>';
  out_ += content;
  out_ += "</text>\n";
}

std::string Document::finish(double height) {
  while (open_groups_ > 0) close_group();
  const std::string w = num(width_, 0), h = num(std::ceil(height), 0);
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                    "\" viewBox=\"0 0 " + w + " " + h + "\">\n<metadata>drawn by scenarioc " +
                    std::string(scenario::version) + "</metadata>\n<style>\n" + style_ + "</style>\n";
  doc.reserve(doc.size() + out_.size() + 8);
  doc += out_;
  doc += "</svg>\n";
  return doc;
}

}  // namespace scenarioc::svg
