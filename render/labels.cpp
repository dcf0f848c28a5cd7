// Labels: how wide a text is taken to be, where one may go, and how
// positions are written.
#include <cmath>
#include <string>

#include "render/scene.h"

namespace render {

std::size_t char_count(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '&') {  // an entity shows one character
      const std::size_t end = s.find(';', i);
      if (end != std::string_view::npos) i = end;
    }
    if ((c & 0xC0) != 0x80) ++n;  // UTF-8 continuation bytes add nothing
  }
  return n;
}

double text_width(std::string_view s, double font_size, bool bold) {
  double em = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '&') {  // an entity shows one character
      const std::size_t end = s.find(';', i);
      if (end != std::string_view::npos) i = end;
      em += 0.7;
      continue;
    }
    if ((c & 0xC0) == 0x80) continue;  // UTF-8 continuation bytes add nothing
    if (c >= 0x80) em += 0.8;          // accented letters, the per mille sign
    else if (c >= 'A' && c <= 'Z') em += 0.74;
    else if (c >= '0' && c <= '9') em += 0.64;
    else if (c == ' ' || c == '.' || c == ',' || c == ':' || c == ';' || c == '\'' || c == '!' ||
             c == '|' || c == 'i' || c == 'l' || c == 'j')
      em += 0.34;
    else em += 0.6;
  }
  return em * font_size * (bold ? 1.1 : 1.0);
}

Box text_box(double x, double baseline, std::string_view s, double font_size, Anchor anchor,
             bool bold) {
  const double w = text_width(s, font_size, bold);
  const double x0 = anchor == Anchor::start ? x : anchor == Anchor::middle ? x - w / 2 : x - w;
  // Capitals reach some 0.75 of the size above the baseline, descenders 0.25 below.
  return {x0, baseline - font_size * 0.8, x0 + w, baseline + font_size * 0.22};
}

bool LabelSpace::clear(const Box& r) const {
  for (const Box& p : taken_)
    if (r.x0 < p.x1 && p.x0 < r.x1 && r.y0 < p.y1 && p.y0 < r.y1) return false;
  return true;
}

bool LabelSpace::take(const Box& r) {
  if (r.x0 < area_.x0 || r.y0 < area_.y0 || r.x1 > area_.x1 || r.y1 > area_.y1) return false;
  if (!clear(r)) return false;
  taken_.push_back(r);
  return true;
}

std::string km_exact(double metres) { return "km " + svg::num(metres / 1000.0, 3); }

std::string Scene::km(double metres) const {
  const int decimals = km_step >= 1 ? 0 : km_step >= 0.1 ? 1 : 2;
  return svg::num(metres / 1000.0, decimals);
}

}  // namespace render
