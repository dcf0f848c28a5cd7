// Labels: how wide a text is taken to be, where one may go, and how
// positions are written.
#include <cmath>
#include <string>

#include "render/scene.h"

namespace scenarioc::render {

std::size_t caratteri(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '&') {  // an entity shows one character
      const std::size_t fine = s.find(';', i);
      if (fine != std::string_view::npos) i = fine;
    }
    if ((c & 0xC0) != 0x80) ++n;  // UTF-8 continuation bytes add nothing
  }
  return n;
}

bool Etichette::prendi(const Riquadro& r) {
  if (r.x0 < area_.x0 || r.y0 < area_.y0 || r.x1 > area_.x1 || r.y1 > area_.y1) return false;
  for (const Riquadro& p : presi_)
    if (r.x0 < p.x1 && p.x0 < r.x1 && r.y0 < p.y1 && p.y0 < r.y1) return false;
  presi_.push_back(r);
  return true;
}

std::string km_esatto(double metri) { return "km " + svg::num(metri / 1000.0, 3); }

std::string Scena::km(double metri) const {
  const int decimali = passo_km >= 1 ? 0 : passo_km >= 0.1 ? 1 : 2;
  return svg::num(metri / 1000.0, decimali);
}

}  // namespace scenarioc::render
