// The profiles along one kilometre axis, from the cell file: elevation and
// gradient, the train's speed limit with the speed boards, adhesion, and a
// strip of the features the cells hold. Every cell-based curve is thinned
// to at most four points per pixel column.
#include <algorithm>
#include <cmath>
#include <string>

#include "render/scene.h"
#include "render/thin.h"

namespace render {
namespace {

using scenario::cella;
using svg::num;
using svg::Point;
namespace tipo = scenario::tipo;

constexpr double name_band = 130;  // station names, slanted
constexpr double gap = 22;       // between panels, room for their titles
constexpr double lane_height = 20;       // one lane of the feature strip
const std::string permille = "\xE2\x80\xB0";

// Round steps for axes: 1, 2 or 5 x 10^k, the first giving at most `ticks` intervals.
double round_step(double span, int ticks) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  double p = std::pow(10.0, std::floor(std::log10(span / ticks)));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (span / (p * f) <= ticks) return p * f;
  return p * 10;
}

struct Panel {
  std::string id, title;
  double top = 0, height = 0;
  double vmin = 0, vmax = 1, step = 1;

  // A range that shows [lo, hi] with round ends.
  void scale(double lo, double hi, int ticks) {
    if (!(hi > lo)) {
      lo -= 1;
      hi += 1;
    }
    step = round_step(hi - lo, ticks);
    vmin = std::floor(lo / step) * step;
    vmax = std::ceil(hi / step) * step;
    if (!(vmax > vmin)) vmax = vmin + step;
  }
  double y(double v) const {
    return top + height - (std::clamp(v, vmin, vmax) - vmin) / (vmax - vmin) * height;
  }
  double bottom() const { return top + height; }
};

std::string line_path(double x0, double y0, double x1, double y1, std::string_view css_class) {
  return "class=\"" + std::string(css_class) + "\" d=\"M" + num(x0) + " " + num(y0) + " L" + num(x1) + " " +
         num(y1) + "\"";
}

// A closed area between a curve and the level `base`.
std::string area(const std::vector<Point>& points, double base) {
  if (points.empty()) return "";
  std::string d = "M" + num(points.front().x) + " " + num(base) + " L";
  for (const Point& p : points) d += num(p.x) + " " + num(p.y) + " ";
  return d + num(points.back().x) + " " + num(base) + " Z";
}

class Profiles {
 public:
  Profiles(svg::Document& doc, const Scene& s) : doc_(doc), s_(s), cells_(s.compiled.celle) {}
  double draw(double y);

 private:
  // Calls f(c, from, to) for every cell overlapping the stretch, with the
  // part of its 50 m that lies in it.
  template <typename F>
  void for_each_cell(F f) const {
    for (std::size_t c = 1; c < cells_.size(); ++c) {
      const double end = static_cast<double>(c) * 50.0;
      const double from = std::max(end - 50.0, s_.from), to = std::min(end, s_.to);
      if (to > from) f(c, from, to);
    }
  }
  std::vector<Point> steps(double (*value)(const cella&)) const;
  void frame(const Panel& p);
  void grid(const Panel& p, int decimals);
  void station_names(double y);
  void elevation(const Panel& p);
  void gradient(const Panel& p);
  void speed(const Panel& p, const std::vector<Point>& limit);
  void features(double y);
  void mountains(double cy);
  void km_axis(double y);

  svg::Document& doc_;
  const Scene& s_;
  const std::vector<cella>& cells_;
  std::vector<Point> elevations_;  // elevation at the stretch's cell boundaries (x in metres)
};

double gradient_of(const cella& c) { return static_cast<double>(c.codice_pendenza) - 100.0; }
double speed_of(const cella& c) { return static_cast<double>(c.vel_limite) * 5.0; }
double adhesion_of(const cella& c) { return static_cast<double>(c.aderenza); }

// A cell value as steps along the stretch (x in metres).
std::vector<Point> Profiles::steps(double (*value)(const cella&)) const {
  std::vector<Point> metres;
  for_each_cell([&](std::size_t c, double from, double to) {
    const double v = value(cells_[c]);
    metres.push_back({from, v});
    metres.push_back({to, v});
  });
  return metres;
}

void Profiles::frame(const Panel& p) {
  doc_.element("rect", "class=\"frame\" x=\"" + num(axis_left) + "\" y=\"" + num(p.top) + "\" width=\"" +
                            num(axis_right - axis_left) + "\" height=\"" + num(p.height) + "\"");
}

// The panel's value ticks, the kilometre grid through it, and its title.
void Profiles::grid(const Panel& p, int decimals) {
  for (double v = p.vmin; v <= p.vmax + p.step / 1000; v += p.step) {
    const double y = p.y(v);
    doc_.element("path", line_path(axis_left, y, axis_right, y, std::abs(v) < p.step / 1000 ? "zero" : "grid"));
    doc_.text("class=\"tick-label\" x=\"" + num(axis_left - 5) + "\" y=\"" + num(y + 3.5) +
                   "\" text-anchor=\"end\"",
               num(v, decimals));
  }
  const double step = s_.km_step * 1000;
  for (double k = std::ceil(s_.from / step); k * step <= s_.to; ++k) {
    const double x = s_.x(k * step);
    doc_.element("path", line_path(x, p.top, x, p.bottom(), "grid"));
  }
  // Above the frame, where no curve can run through it.
  doc_.text("class=\"panel-title\" x=\"" + num(axis_left) + "\" y=\"" + num(p.top - 5) + "\"",
             svg::utf8_text(p.title));
}

void Profiles::station_names(double y) {
  doc_.open_group("profile-stations");
  const double base = y + name_band - 22;  // clear of the first panel's title
  double last_x = -1e9;
  for (const Station& st : s_.stations) {
    if (!s_.shows(st.position)) continue;
    const double x = s_.x(st.position);
    doc_.element("path", line_path(x, base + 2, x, y + name_band, "guide-tick"));
    // Slanted names need about 14 px between them; a closer one stays in the plan.
    if (x - last_x < 14) continue;
    last_x = x;
    doc_.text("class=\"station-name-slanted halo\" x=\"" + num(x + 2) + "\" y=\"" + num(base) +
                   "\" transform=\"rotate(-40 " + num(x + 2) + " " + num(base) + ")\"",
               st.name);
  }
  doc_.close_group();
}

void Profiles::elevation(const Panel& p) {
  svg::ThinnedSeries series;
  for (const Point& q : elevations_) series.add({s_.x(q.x), p.y(q.y)});
  const std::vector<Point> points = series.finish();
  doc_.open_group("elevation");
  doc_.element("path", "class=\"elevation-area\" d=\"" + area(points, p.bottom()) + "\"");
  doc_.element("path", "class=\"elevation\" d=\"" + svg::polyline(points) + "\"");
  doc_.close_group();
}

void Profiles::gradient(const Panel& p) {
  svg::ThinnedSeries up, down;
  for_each_cell([&](std::size_t c, double from, double to) {
    const double g = gradient_of(cells_[c]);
    for (double m : {from, to}) {
      up.add({s_.x(m), p.y(std::max(g, 0.0))});
      down.add({s_.x(m), p.y(std::min(g, 0.0))});
    }
  });
  doc_.open_group("gradient");
  doc_.element("path", "class=\"gradient-up\" d=\"" + area(up.finish(), p.y(0)) + "\"");
  doc_.element("path", "class=\"gradient-down\" d=\"" + area(down.finish(), p.y(0)) + "\"");
  // Each run of one gradient named where it is wide enough for its number.
  double start = s_.from, value = 0;
  bool open = false;
  auto write_label = [&](double end) {
    const std::string t = num(value, 0) + permille;
    const double x0 = s_.x(start), x1 = s_.x(end);
    if (x1 - x0 < text_width(t, 10) + 6 || value == 0) return;
    const double y = value > 0 ? p.y(value) - 3 : p.y(value) + 11;
    doc_.text("class=\"value-label halo\" x=\"" + num((x0 + x1) / 2) + "\" y=\"" + num(std::clamp(y, p.top + 10, p.bottom() - 2)) +
                   "\" text-anchor=\"middle\"",
               t);
  };
  for_each_cell([&](std::size_t c, double from, double) {
    const double g = gradient_of(cells_[c]);
    if (open && g != value) {
      write_label(from);
      open = false;
    }
    if (!open) {
      start = from;
      value = g;
      open = true;
    }
  });
  if (open) write_label(s_.to);
  doc_.close_group();
}

void Profiles::speed(const Panel& p, const std::vector<Point>& limit) {
  svg::ThinnedSeries series;
  for (const Point& q : limit) series.add({s_.x(q.x), p.y(q.y)});
  doc_.open_group("speed");
  doc_.element("path", "class=\"speed-limit\" d=\"" + svg::polyline(series.finish()) + "\"");
  doc_.open_group("speed-boards");
  // Labels in up to four rows above their boards, inside the panel and clear
  // of every board and of each other; one that finds no room is left to the
  // tooltip.
  LabelSpace space({axis_left + 1, p.top + 1, axis_right - 1, p.bottom() - 1});
  struct Board {
    std::size_t cell;
    double x, y;
  };
  std::vector<Board> boards;
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    const cella& k = cells_[c];
    if (k.tipo_cella != tipo::indicatore_v_max || !s_.cell_shown(c)) continue;
    const double x = s_.x(Scene::cell_middle(c));
    const double v = k.valore_a >= 0 ? k.valore_a / 100 * 5 : 0;
    const double y = std::clamp(p.y(v), p.top + 6, p.bottom() - 6);
    draw_mark(doc_, Mark::speed_board, x, y, s_.tooltips ? describe_cell(s_, c) : "");
    space.block({x - 6, y - 6, x + 6, y + 6});
    boards.push_back({c, x, y});
  }
  // A slowdown's speed as a dashed line from its start to its end cell,
  // named once where there is room. Its labels come before the boards'.
  doc_.open_group("slowdown-speeds");
  std::size_t open_start = 0;
  bool open = false;
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    const cella& k = cells_[c];
    if (k.tipo_cella == tipo::inizio_rallentamento) {
      open_start = c;
      open = true;
      continue;
    }
    if (k.tipo_cella != tipo::fine_rallentamento || !open) continue;
    open = false;
    const double from = std::max(Scene::cell_middle(open_start), s_.from);
    const double to = std::min(Scene::cell_middle(c), s_.to);
    if (to < from) continue;
    const double v = cells_[open_start].valore_a;
    const double x0 = s_.x(from), x1 = std::max(s_.x(to), x0 + 1), y = p.y(v);
    doc_.element("path", line_path(x0, y, x1, y, "slowdown-speed"),
                 s_.tooltips ? svg::utf8_text("slowdown to " + num(v, 0) + " km/h, " + km_exact(Scene::cell_middle(open_start)) +
                                              " to " + km_exact(Scene::cell_middle(c)))
                             : "");
    const std::string t = num(v, 0);
    for (double ty : {y - 4, y + 12}) {
      Box box = text_box((x0 + x1) / 2, ty, t, 9, Anchor::middle);
      box.x0 -= 2;
      box.x1 += 2;
      if (!space.take(box)) continue;
      doc_.text("class=\"slowdown-label halo\" x=\"" + num((x0 + x1) / 2) + "\" y=\"" + num(ty) +
                    "\" text-anchor=\"middle\"",
                t);
      break;
    }
  }
  doc_.close_group();
  for (const Board& b : boards) {
    const cella& k = cells_[b.cell];
    auto s = [](std::int16_t code) { return code >= 0 ? std::to_string(code / 100 * 5) : std::string("?"); };
    const std::string t = s(k.valore_a) + "/" + s(k.valore_b) + "/" + s(k.valore_c);
    // Centred over the board, else beginning or ending at it (near the
    // panel's ends, or beside a neighbour).
    struct Place {
      Anchor anchor;
      double dx;
      std::string_view name;
    };
    static constexpr Place places[] = {
        {Anchor::middle, 0, "middle"}, {Anchor::start, -4, "start"}, {Anchor::end, 4, "end"}};
    bool placed = false;
    for (int r = 0; r < 4 && !placed; ++r) {
      const double ty = b.y - 9 - r * 11.0;
      for (const Place& at : places) {
        Box box = text_box(b.x + at.dx, ty, t, 9, at.anchor);
        box.x0 -= 2;
        box.x1 += 2;
        if (!space.take(box)) continue;
        doc_.text("class=\"board-label halo\" x=\"" + num(b.x + at.dx) + "\" y=\"" + num(ty) +
                      "\" text-anchor=\"" + std::string(at.name) + "\"",
                  t);
        placed = true;
        break;
      }
    }
  }
  doc_.close_group();
  doc_.close_group();
}

void Profiles::features(double y) {
  struct Lane {
    std::string_view id, name;
  };
  static constexpr Lane lanes[] = {{"signals", "signals"},         {"slowdowns", "slowdowns"},
                                      {"abbattimento", "abbattimento"}, {"mountains", "mountains"},
                                      {"text-boards", "text boards"},   {"stations", "station stops"}};
  auto lane_of = [](std::uint8_t t) -> int {
    switch (t) {
      case tipo::segnale: return 0;
      case tipo::fine_rallentamento:
      case tipo::inizio_rallentamento:
      case tipo::avviso_rallentamento:
      case tipo::preavviso_rallentamento: return 1;
      case tipo::abbattimento_con_valore:
      case tipo::abbattimento: return 2;
      case tipo::cartello: return 4;
      case tipo::fermata: return 5;
      default: return -1;
    }
  };
  doc_.open_group("features");
  for (std::size_t i = 0; i < std::size(lanes); ++i) {
    const double cy = y + lane_height * (static_cast<double>(i) + 0.5);
    doc_.text("class=\"lane-label\" x=\"" + num(axis_left - 8) + "\" y=\"" + num(cy + 4) +
                   "\" text-anchor=\"end\"",
               svg::utf8_text(lanes[i].name));
    doc_.element("path", line_path(axis_left, cy, axis_right, cy, "lane"));
  }
  for (std::size_t i = 0; i < std::size(lanes); ++i) {
    const double cy = y + lane_height * (static_cast<double>(i) + 0.5);
    doc_.open_group(lanes[i].id, "transform=\"translate(0 " + num(cy) + ")\"");
    if (i == 3) {
      mountains(0);
    } else {
      for (std::size_t c = 0; c < cells_.size(); ++c) {
        Mark mark{};
        if (lane_of(cells_[c].tipo_cella) != static_cast<int>(i) || !s_.cell_shown(c) ||
            !mark_of(cells_[c].tipo_cella, mark))
          continue;
        draw_mark(doc_, mark, s_.x(Scene::cell_middle(c)), 0, s_.tooltips ? describe_cell(s_, c) : "");
      }
    }
    doc_.close_group();
  }
  doc_.close_group();
}

// Mountains are spans: runs of cells with one mountain type. Runs that
// meet within a pixel are drawn as one span, so a type changing from cell
// to cell cannot fill the document.
void Profiles::mountains(double cy) {
  struct Span {
    double x0, x1, from, to;
    std::string kinds;
  };
  std::vector<Span> spans;
  std::size_t c = 1;
  while (c < cells_.size()) {
    const std::uint8_t m = cells_[c].codice_montagna;
    std::size_t end = c;
    while (end + 1 < cells_.size() && cells_[end + 1].codice_montagna == m) ++end;
    const double from = std::max(static_cast<double>(c - 1) * 50.0, s_.from);
    const double to = std::min(static_cast<double>(end) * 50.0, s_.to);
    c = end + 1;
    if (m == 0 || to <= from) continue;
    const double x0 = s_.x(from), x1 = std::max(s_.x(to), x0 + 1.5);
    const std::string kind = std::to_string(m);
    if (!spans.empty() && x0 - spans.back().x1 < 1) {
      Span& t = spans.back();
      t.x1 = std::max(t.x1, x1);
      t.to = to;
      if (t.kinds != kind) t.kinds = "mixed";
      continue;
    }
    spans.push_back({x0, x1, from, to, kind});
  }
  for (const Span& t : spans) {
    const double w = t.x1 - t.x0;
    doc_.element("rect",
                  "class=\"mountain\" x=\"" + num(t.x0) + "\" y=\"" + num(cy - 6) + "\" width=\"" + num(w) +
                      "\" height=\"12\"",
                  s_.tooltips ? svg::utf8_text("mountain type " + t.kinds + ", " + km_exact(t.from) + " to " +
                                                km_exact(t.to))
                                  : "");
    if (w > 20 && t.kinds != "mixed")
      doc_.text("class=\"mountain-label\" x=\"" + num(t.x0 + w / 2) + "\" y=\"" + num(cy + 3.5) +
                     "\" text-anchor=\"middle\"",
                 t.kinds);
  }
}

void Profiles::km_axis(double y) {
  doc_.open_group("km-axis");
  doc_.element("path", line_path(axis_left, y, axis_right, y, "axis"));
  const double step = s_.km_step * 1000;
  for (double k = std::ceil(s_.from / step); k * step <= s_.to; ++k) {
    const double x = s_.x(k * step);
    doc_.element("path", line_path(x, y, x, y + 5, "axis"));
    doc_.text("class=\"tick-label\" x=\"" + num(x) + "\" y=\"" + num(y + 17) + "\" text-anchor=\"middle\"",
               s_.km(k * step));
  }
  doc_.text("class=\"unit\" x=\"" + num(axis_right + 10) + "\" y=\"" + num(y + 17) + "\"", "km");
  doc_.close_group();
}

double Profiles::draw(double y0) {
  // The elevation integrates the gradient from the start of the line, so a
  // stretch shows the same heights as the whole line: each 50 m cell climbs
  // its gradient (per mille) times 50 m.
  double height_now = 0, lo = 0, hi = 0;
  bool first = true;
  for (std::size_t c = 1; c < cells_.size(); ++c) {
    const double start = static_cast<double>(c - 1) * 50.0, end = start + 50.0;
    const double climb = gradient_of(cells_[c]) * 0.05;
    const double from = std::max(start, s_.from), to = std::min(end, s_.to);
    if (to > from) {
      for (double m : {from, to}) {
        const double q = height_now + climb * (m - start) / 50.0;
        if (elevations_.empty() || elevations_.back().x != m) elevations_.push_back({m, q});
        lo = first ? q : std::min(lo, q);
        hi = first ? q : std::max(hi, q);
        first = false;
      }
    }
    height_now += climb;
    if (start >= s_.to) break;
  }

  Panel elev{"elevation", "elevation (m), from the gradients, 0 at the start"};
  Panel grad{"gradient", "gradient (" + permille + "), uphill red, downhill blue"};
  Panel speed_panel{"speed", "speed limit of the train (km/h, red), speed boards (A/B/C speeds) and slowdowns (dashed)"};
  Panel adh{"adhesion", "adhesion"};
  const std::vector<Point> limit = steps(speed_of);
  const std::vector<Point> adhesions = steps(adhesion_of);
  double gmax = 1, vmax = 0, amax = 100;
  for_each_cell([&](std::size_t c, double, double) {
    gmax = std::max(gmax, std::abs(gradient_of(cells_[c])));
    vmax = std::max(vmax, speed_of(cells_[c]));
    amax = std::max(amax, adhesion_of(cells_[c]));
  });
  for (std::size_t c = 0; c < cells_.size(); ++c)
    if (cells_[c].tipo_cella == tipo::indicatore_v_max && s_.cell_shown(c) && cells_[c].valore_a > 0)
      vmax = std::max(vmax, static_cast<double>(cells_[c].valore_a / 100 * 5));
  elev.scale(lo, hi, 4);
  grad.scale(-gmax, gmax, 4);
  speed_panel.scale(0, std::max(vmax, 20.0) * 1.3, 4);  // room for the boards' labels
  adh.scale(0, amax, 2);

  double y = y0 + name_band;
  for (Panel* p : {&elev, &grad, &speed_panel, &adh}) {
    p->top = y;
    p->height = p == &elev ? 130 : p == &grad ? 110 : p == &speed_panel ? 150 : 64;
    y += p->height + gap;
  }
  const double strip = y, strip_end = y + lane_height * 6;

  doc_.open_group("profiles");
  doc_.open_group("profile-frames");
  for (const Panel* p : {&elev, &grad, &speed_panel, &adh}) frame(*p);
  doc_.element("rect", "class=\"frame\" x=\"" + num(axis_left) + "\" y=\"" + num(strip) + "\" width=\"" +
                            num(axis_right - axis_left) + "\" height=\"" + num(strip_end - strip) + "\"");
  // Station positions through every panel.
  for (const Station& st : s_.stations) {
    if (!s_.shows(st.position)) continue;
    const double x = s_.x(st.position);
    doc_.element("path", line_path(x, y0 + name_band, x, strip_end, "guide"));
  }
  grid(elev, 1);
  grid(grad, 0);
  grid(speed_panel, 0);
  grid(adh, 0);
  doc_.close_group();

  station_names(y0);
  elevation(elev);
  gradient(grad);
  speed(speed_panel, limit);
  {
    svg::ThinnedSeries series;
    for (const Point& q : adhesions) series.add({s_.x(q.x), adh.y(q.y)});
    doc_.open_group("adhesion");
    doc_.element("path", "class=\"adhesion\" d=\"" + svg::polyline(series.finish()) + "\"");
    doc_.close_group();
  }
  features(strip);
  km_axis(strip_end + 4);
  doc_.close_group();
  return strip_end + 26 - y0;
}

}  // namespace

double draw_profiles(svg::Document& doc, const Scene& s, double y) { return Profiles(doc, s).draw(y); }

}  // namespace render
