// scenarioc dump of the compiled line file: its size in points, the kinds
// of its elements per coordinate, and the points at both ends.
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "tool/dump.h"
#include "tool/json.h"

namespace scenarioc {

using scenario::Tracciato;

namespace {

constexpr std::size_t points_shown = 3;  // at each end of the plan

std::string real_text(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc{} ? end : buf);
}

std::string_view element_name(Tracciato::Tipo t) {
  switch (t) {
    case Tracciato::Tipo::intero: return "integer";
    case Tracciato::Tipo::reale: return "real";
    default: return "empty";
  }
}

struct Count {
  std::size_t empty = 0, integers = 0, reals = 0;
};

Count count(const Tracciato& t, int coord) {
  Count n;
  for (std::size_t p = 0; p < t.punti(); ++p) {
    switch (t.tipo(p, coord)) {
      case Tracciato::Tipo::intero: ++n.integers; break;
      case Tracciato::Tipo::reale: ++n.reals; break;
      default: ++n.empty; break;
    }
  }
  return n;
}

// The first and the last few points, without repeating one.
std::vector<std::size_t> points_to_show(const Tracciato& t) {
  std::vector<std::size_t> points;
  for (std::size_t p = 0; p < t.punti(); ++p)
    if (p < points_shown || p + points_shown >= t.punti()) points.push_back(p);
  return points;
}

std::string element_text(const Tracciato& t, std::size_t p, int coord) {
  const Tracciato::Tipo k = t.tipo(p, coord);
  if (k == Tracciato::Tipo::vuoto) return "empty";
  return std::string(element_name(k)) + " " + real_text(t.valore(p, coord));
}

}  // namespace

std::string plan_text(const std::string& name, std::size_t size, const Tracciato& t) {
  std::string out = "compiled line file " + name + ": " + std::to_string(size) + " bytes, " +
                    std::to_string(t.punti()) + " points (0 to " +
                    std::to_string(t.punti() - 1) + "), " + std::to_string(2 * t.punti()) +
                    " elements\n";
  for (int coord = 0; coord < 2; ++coord) {
    const Count n = count(t, coord);
    out += "coordinate " + std::to_string(coord) + ": " + std::to_string(n.integers) + " integer, " +
           std::to_string(n.reals) + " real, " + std::to_string(n.empty) + " empty\n";
  }
  std::size_t previous = 0;
  for (std::size_t p : points_to_show(t)) {
    if (p > previous + 1) out += "...\n";
    out += "point " + std::to_string(p) + ": " + element_text(t, p, 0) + ", " +
           element_text(t, p, 1) + "\n";
    previous = p;
  }
  return out;
}

std::string plan_json(const std::string& name, std::size_t size, const Tracciato& t) {
  Json j;
  j.begin_object();
  j.key("file").text(name);
  j.key("file_type").text("line");
  j.key("size").integer(static_cast<std::int64_t>(size));
  j.key("points").integer(static_cast<std::int64_t>(t.punti()));
  j.key("coordinates").begin_list();
  for (int coord = 0; coord < 2; ++coord) {
    const Count n = count(t, coord);
    j.begin_object();
    j.key("integer").integer(static_cast<std::int64_t>(n.integers));
    j.key("real").integer(static_cast<std::int64_t>(n.reals));
    j.key("empty").integer(static_cast<std::int64_t>(n.empty));
    j.end_object();
  }
  j.end_list();
  j.key("shown_points").begin_list();
  for (std::size_t p : points_to_show(t)) {
    j.begin_object();
    j.key("point").integer(static_cast<std::int64_t>(p));
    j.key("elements").begin_list();
    for (int coord = 0; coord < 2; ++coord) {
      const Tracciato::Tipo k = t.tipo(p, coord);
      j.begin_object();
      j.key("tag").integer(static_cast<std::int64_t>(k));
      j.key("value");
      if (k == Tracciato::Tipo::vuoto) j.null(); else j.real(t.valore(p, coord));
      j.end_object();
    }
    j.end_list();
    j.end_object();
  }
  j.end_list();
  j.end_object();
  return j.result();
}


}  // namespace scenarioc
