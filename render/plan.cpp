// The plan of the line: the compiled line file's points, scaled to fit the
// page, thinned to about one point per pixel, with kilometre
// ticks along the track, the stations named at their positions and the
// start and end marked.
//
// North is coordinate 1: the line starts heading along it, and a right-hand
// curve turns from it towards coordinate 0, which is therefore east. North
// is up, unless turning the plan so that its start lies left and its end
// right draws it markedly larger in the wide panel; then the north arrow
// turns with it.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "render/scene.h"
#include "render/thin.h"

namespace render {
namespace {

using scenario::Tracciato;
using svg::num;
using svg::Point;

constexpr double max_height = 660;
constexpr double border = 48;  // room for labels around the fitted line
constexpr double name_size = 12, km_size = 10;

// A point with both coordinates set and within reason: a compiled line never
// leaves a million kilometres, and values beyond that (or not finite) would
// only squash the rest of the drawing to a dot.
bool usable(const Tracciato& t, std::size_t p) {
  constexpr double limit = 1e12;
  return t.tipo(p, 0) != Tracciato::Tipo::vuoto && t.tipo(p, 1) != Tracciato::Tipo::vuoto &&
         std::abs(t.valore(p, 0)) <= limit && std::abs(t.valore(p, 1)) <= limit;
}

// Plan coordinates to the page: coordinate 0 (east) turned by `angle`
// anticlockwise from the right, coordinate 1 (north) from up.
struct View {
  double cos_a = 1, sin_a = 0;  // of the turn; 1, 0 for north up
  double min_u = 0, max_v = 0, scale = 1, ox = 0, oy = 0;
  double u(double east, double north) const { return east * cos_a + north * sin_a; }
  double v(double east, double north) const { return north * cos_a - east * sin_a; }
  Point operator()(const Tracciato& t, std::size_t p) const {
    const double e = t.valore(p, 0), n = t.valore(p, 1);
    return {ox + (u(e, n) - min_u) * scale, oy + (max_v - v(e, n)) * scale};
  }
};

class PlanPanel {
 public:
  PlanPanel(svg::Document& doc, const Scene& s) : doc_(doc), s_(s), t_(s.compiled.tracciato) {}
  double draw(double y);

 private:
  bool point_at(double metres, Point& out) const;
  Point direction(double metres) const;
  void label(double x, double y, double radius, const std::string& text, std::string_view css_class,
             double font_size, bool bold, bool required);
  void north_and_scale(double x0, double y0, double x1, double y1);

  svg::Document& doc_;
  const Scene& s_;
  const Tracciato& t_;
  std::size_t first_ = 0, last_ = 0;  // the points of the stretch
  View v_{};
  LabelSpace labels_{{0, 0, 0, 0}};
};

// The page position of the plan point nearest to `metres`, or of the nearest
// usable one within 50 m.
bool PlanPanel::point_at(double metres, Point& out) const {
  const double m = std::clamp(std::round(metres), static_cast<double>(first_), static_cast<double>(last_));
  const auto p = static_cast<std::size_t>(m);
  for (std::size_t d = 0; d <= 50; ++d) {
    if (p >= first_ + d && usable(t_, p - d)) return out = v_(t_, p - d), true;
    if (p + d <= last_ && usable(t_, p + d)) return out = v_(t_, p + d), true;
  }
  return false;
}

// The track's direction on the page around `metres`, as a unit vector.
Point PlanPanel::direction(double metres) const {
  Point a{}, b{};
  if (!point_at(metres - 30, a) || !point_at(metres + 30, b)) return {0, -1};
  const double dx = b.x - a.x, dy = b.y - a.y, l = std::hypot(dx, dy);
  if (!(l > 1e-9)) return {0, -1};
  return {dx / l, dy / l};
}

// A label near (x, y), clear of the others: beside the point first, then
// further off with a leader line. A label that must be shown and finds no
// clear place goes beside the point all the same.
void PlanPanel::label(double x, double y, double radius, const std::string& text, std::string_view css_class,
                       double font_size, bool bold, bool required) {
  static constexpr Point directions[] = {{1, 0}, {-1, 0}, {0, -1}, {0, 1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
  constexpr int rounds = 6;
  const double w = text_width(text, font_size, bold);
  for (int round = 0; round < rounds; ++round) {
    const double d = radius + 3 + round * 14;
    for (const Point& dir : directions) {
      const double ax = x + dir.x * d, ay = y + dir.y * d;
      const double base = dir.y < 0 ? ay - 3 : dir.y > 0 ? ay + font_size * 0.85 : ay + font_size * 0.35;
      const double x0 = dir.x > 0 ? ax : dir.x < 0 ? ax - w : ax - w / 2;
      Box r = text_box(x0, base, text, font_size, Anchor::start, bold);
      r.x0 -= 1;
      r.x1 += 1;
      const bool last_choice = required && round == rounds - 1 && &dir == &directions[7];
      if (!labels_.take(r)) {
        if (!last_choice) continue;
        labels_.block(r);
      }
      if (round > 0)
        doc_.element("path", "class=\"leader\" d=\"M" + num(x) + " " + num(y) + " L" + num(ax) + " " +
                                  num(ay) + "\"");
      doc_.text("class=\"" + std::string(css_class) + " halo\" x=\"" + num(x0) + "\" y=\"" + num(base) + "\"",
                 text);
      return;
    }
  }
}

// The north arrow in the top right corner, a scale bar in the bottom left;
// labels keep clear of both.
void PlanPanel::north_and_scale(double x0, double y0, double x1, double y1) {
  const double nx = x1 - 30, ny = y0 + 18;
  doc_.text("class=\"north-label\" x=\"" + num(nx) + "\" y=\"" + num(ny + 10) + "\" text-anchor=\"middle\"", "N");
  // The arrow points up the page when north is up; otherwise it turns with the plan.
  const double turn = std::atan2(v_.sin_a, v_.cos_a) * 180 / std::numbers::pi;
  doc_.element("path", "class=\"north\" d=\"M" + num(nx) + " " + num(ny + 14) + " l8 26 l-8 -7 l-8 7 Z\"" +
                           (turn == 0 ? "" : " transform=\"rotate(" + num(turn, 2) + " " + num(nx) + " " + num(ny + 27) + ")\""));
  labels_.block({nx - 14, y0, x1, ny + 44});

  // The longest 1, 2 or 5 x 10^k metres that fits in about 160 pixels.
  const double target = 160 / v_.scale;
  double length = std::pow(10.0, std::floor(std::log10(target)));
  for (double f : {5.0, 2.0})
    if (length * f <= target) {
      length *= f;
      break;
    }
  const double px = length * v_.scale, sx = x0 + 16, sy = y1 - 16;
  doc_.element("path", "class=\"scale-bar\" d=\"M" + num(sx) + " " + num(sy - 5) + " v5 h" + num(px) + " v-5\"");
  const std::string text = length >= 1000 ? num(length / 1000, 3) + " km" : num(length, 3) + " m";
  doc_.text("class=\"small\" x=\"" + num(sx + px / 2) + "\" y=\"" + num(sy - 8) + "\" text-anchor=\"middle\"",
             text);
  labels_.block({sx - 4, sy - 22, sx + std::max(px, 60.0) + 4, y1});
}

double PlanPanel::draw(double y) {
  const double x0 = margin, x1 = page_width - margin;
  doc_.open_group("plan");
  if (t_.punti() == 0 || s_.from > static_cast<double>(t_.punti() - 1)) {
    doc_.text("x=\"" + num(x0) + "\" y=\"" + num(y + 20) + "\"", "no plan points in this stretch");
    doc_.close_group();
    return 40;
  }
  first_ = static_cast<std::size_t>(std::ceil(s_.from));
  last_ = std::min(static_cast<std::size_t>(std::floor(s_.to)), t_.punti() - 1);

  // The stretch's extent as turned by `view`, and its scale to fit the room.
  const double room_w = x1 - x0 - 2 * border, room_h = max_height - 2 * border;
  const double inf = std::numeric_limits<double>::infinity();
  struct Fit {
    View view;
    double w = 0, h = 0;
  };
  auto fit = [&](double cos_a, double sin_a) {
    Fit f;
    f.view.cos_a = cos_a;
    f.view.sin_a = sin_a;
    double min_u = inf, max_u = -inf, min_v = inf, max_v = -inf;
    for (std::size_t p = first_; p <= last_; ++p) {
      if (!usable(t_, p)) continue;
      const double e = t_.valore(p, 0), n = t_.valore(p, 1);
      min_u = std::min(min_u, f.view.u(e, n));
      max_u = std::max(max_u, f.view.u(e, n));
      min_v = std::min(min_v, f.view.v(e, n));
      max_v = std::max(max_v, f.view.v(e, n));
    }
    f.w = max_u - min_u;
    f.h = max_v - min_v;
    f.view.min_u = min_u;
    f.view.max_v = max_v;
    const double scale = std::min(f.w > 0 ? room_w / f.w : inf, f.h > 0 ? room_h / f.h : inf);
    f.view.scale = scale < inf ? scale : 1;  // a single point
    return f;
  };
  double track_length = 0;  // the track's length in plan units
  std::size_t first_usable = last_ + 1, last_usable = 0;
  for (std::size_t p = first_; p <= last_; ++p) {
    if (!usable(t_, p)) continue;
    first_usable = std::min(first_usable, p);
    last_usable = p;
    if (p > first_ && usable(t_, p - 1))
      track_length += std::hypot(t_.valore(p, 0) - t_.valore(p - 1, 0), t_.valore(p, 1) - t_.valore(p - 1, 1));
  }
  Fit chosen = fit(1, 0);
  if (!std::isfinite(chosen.w) || !std::isfinite(chosen.h)) {
    doc_.text("x=\"" + num(x0) + "\" y=\"" + num(y + 20) + "\"",
               "the compiled line file has no point in this stretch that can be drawn");
    doc_.close_group();
    return 40;
  }
  {
    const double dx = t_.valore(last_usable, 0) - t_.valore(first_usable, 0);
    const double dy = t_.valore(last_usable, 1) - t_.valore(first_usable, 1);
    const double l = std::hypot(dx, dy);
    if (l > 0 && std::isfinite(l)) {
      const Fit turned = fit(dx / l, dy / l);
      if (turned.view.scale > chosen.view.scale * 1.25) chosen = turned;
    }
  }
  v_ = chosen.view;
  const double w = chosen.w, h = chosen.h, scale = v_.scale;
  const double height = std::max(h * scale + 2 * border, 240.0);
  v_.ox = x0 + (x1 - x0 - w * scale) / 2;
  v_.oy = y + (height - h * scale) / 2;
  const double y1 = y + height;

  doc_.element("rect", "class=\"frame\" x=\"" + num(x0) + "\" y=\"" + num(y) + "\" width=\"" + num(x1 - x0) +
                            "\" height=\"" + num(height) + "\"");
  doc_.text("class=\"panel-title\" x=\"" + num(x0 + 8) + "\" y=\"" + num(y + 16) + "\"",
             v_.sin_a == 0 && v_.cos_a == 1 ? "plan of the line, north up"
                                            : "plan of the line, turned to run left to right (arrow: north)");
  labels_ = LabelSpace({x0 + 2, y + 2, x1 - 2, y1 - 2});
  labels_.block({x0, y, x0 + 400, y + 22});
  north_and_scale(x0, y, x1, y1);

  // One point per pixel along the track is all the screen can show. A
  // track that winds over itself many times would still need millions of
  // them: then the step grows so that at most some 30,000 points are kept.
  constexpr double max_points = 30000;
  const double step_px = std::isfinite(track_length) ? std::max(1.0, track_length * scale / max_points) : 1.0;
  svg::ThinnedTrack track(step_px);
  for (std::size_t p = first_; p <= last_; ++p) {
    if (usable(t_, p)) track.add(v_(t_, p));
    else track.break_stretch();
  }
  std::string d;
  // A track that winds over itself leaves no room anyway: a bounded number
  // of boxes keeps the placing quick.
  std::size_t track_boxes = 0;
  constexpr std::size_t max_track_boxes = 8000;
  for (const auto& stretch : track.finish()) {
    d += (d.empty() ? "" : " ") + svg::polyline(stretch);
    // Labels keep off the track: small boxes every few pixels along it.
    for (std::size_t i = 0; i < stretch.size(); ++i) {
      const Point a = stretch[i], b = i + 1 < stretch.size() ? stretch[i + 1] : stretch[i];
      const int n = std::min(1000, static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / 3));
      for (int k = 0; k <= n && track_boxes < max_track_boxes; ++k, ++track_boxes) {
        const double f = n == 0 ? 0 : static_cast<double>(k) / n;
        const double px = a.x + (b.x - a.x) * f, py = a.y + (b.y - a.y) * f;
        labels_.block({px - 2, py - 2, px + 2, py + 2});
      }
    }
  }
  doc_.open_group("plan-track");
  doc_.element("path", "class=\"track\" d=\"" + d + "\"");
  doc_.close_group();

  // Kilometre ticks across the track.
  struct Tick {
    Point p, n;
    std::string text;
  };
  std::vector<Tick> ticks;
  const double step = s_.km_step * 1000;
  for (double k = std::ceil(s_.from / step); k * step <= s_.to; ++k) {
    Point p{};
    if (!point_at(k * step, p)) continue;
    const Point dir = direction(k * step);
    ticks.push_back({p, {-dir.y, dir.x}, s_.km(k * step) + " km"});
  }
  doc_.open_group("plan-km");
  for (const Tick& t : ticks)
    doc_.element("path", "class=\"km-tick\" d=\"M" + num(t.p.x - 6 * t.n.x) + " " + num(t.p.y - 6 * t.n.y) +
                              " L" + num(t.p.x + 6 * t.n.x) + " " + num(t.p.y + 6 * t.n.y) + "\"");
  doc_.close_group();

  // Markers first, then their labels, most important first.
  struct NameLabel {
    Point p;
    double radius;
    std::string text, css_class;
    bool required;
  };
  std::vector<NameLabel> names;
  doc_.open_group("plan-ends");
  Point p{};
  if (s_.from == 0 && point_at(0, p)) {
    doc_.element("circle", "class=\"start\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"7\"",
                  "start of the line, km 0");
    names.push_back({p, 7, "start", "end-label", true});
  }
  const double end = s_.route_length;
  if (s_.shows(end) && point_at(end, p)) {
    doc_.element("rect", "class=\"end\" x=\"" + num(p.x - 6) + "\" y=\"" + num(p.y - 6) +
                              "\" width=\"12\" height=\"12\"",
                  "end of the route, " + km_exact(end));
    names.push_back({p, 7, "end", "end-label", true});
  }
  for (double m : {s_.from, s_.to}) {
    if (!s_.zoom || m == 0 || m == end || !point_at(m, p)) continue;
    doc_.element("circle", "class=\"stretch-end\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"5\"",
                  "end of the stretch shown, " + km_exact(m));
    names.push_back({p, 5, svg::utf8_text(km_exact(m)), "end-label", true});
  }
  doc_.close_group();

  doc_.open_group("plan-stations");
  for (const Station& st : s_.stations) {
    if (!s_.shows(st.position) || !point_at(st.position, p)) continue;
    doc_.element("circle", "class=\"plan-station\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"4.5\"",
                  st.name + ", " + km_exact(st.position) + ", type " + std::to_string(st.tipo_voce));
    names.push_back({p, 5, st.name, "station-name", true});
  }
  doc_.close_group();
  doc_.open_group("plan-labels");
  // No label covers a marker, its own or another's.
  for (const NameLabel& n : names) labels_.block({n.p.x - n.radius, n.p.y - n.radius, n.p.x + n.radius, n.p.y + n.radius});
  for (const NameLabel& n : names)
    label(n.p.x, n.p.y, n.radius, n.text, n.css_class, name_size, n.css_class == "station-name", n.required);
  doc_.close_group();

  // Kilometre labels last: they give way to everything else.
  doc_.open_group("plan-km-labels");
  for (const Tick& t : ticks) label(t.p.x, t.p.y, 6, t.text, "km-label", km_size, false, false);
  doc_.close_group();

  doc_.close_group();
  return height;
}

}  // namespace

double draw_plan(svg::Document& doc, const Scene& s, double y) { return PlanPanel(doc, s).draw(y); }

}  // namespace render
