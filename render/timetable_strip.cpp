// The distance-time strip, as a graphic timetable draws one: the train's
// station times against their positions, and under each stretch between
// timed stations the least-time line, the stretch run at the train's own
// speed limits and slowdowns from its given start. A stretch whose given
// time is below that bound, which no train can keep, is drawn in red.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "compiler/least_time.h"
#include "model/cell_kinds.h"
#include "render/scene.h"

namespace render {
namespace {

using scenario::seconds_a_day;
using svg::num;
using svg::Point;
namespace tipo = scenario::tipo;

constexpr double strip_height = 150;

struct TimedStop {
  std::int32_t position;
  std::int64_t time;  // seconds, a day added past each midnight
  std::string name;   // escaped
};

struct Leg {
  const TimedStop *from, *to;
  std::optional<std::int64_t> least;  // seconds; none where the limit is 0 on the way
  bool too_fast() const { return least && to->time - from->time < *least; }
};

std::vector<TimedStop> timed_stops(const Scene& s) {
  std::vector<TimedStop> out;
  for (const Station& st : s.stations) {
    const std::int32_t t = s.compiled.tabella_percorso[static_cast<std::size_t>(st.entry)].dato4;
    if (t == 0) continue;  // 0, 0, 0 is a station without a time
    out.push_back({st.position, out.empty() ? t : scenario::time_after(t, out.back().time), st.name});
  }
  return out;
}

// The slowdowns as the cells hold them: from a start cell to the end cell
// after it, at the start cell's speed. A slowdown at x over l metres has
// its start in cell x / 50 + 1 and its end in (x + l) / 50 + 1, so the
// cells give back x and x + l to the cell.
std::vector<scenario::SlowdownSpan> slowdowns(const std::vector<scenario::cella>& cells) {
  std::vector<scenario::SlowdownSpan> out;
  std::int64_t start = -1;  // the open start cell, if any
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const auto here = static_cast<std::int64_t>(c);
    if (cells[c].tipo_cella == tipo::inizio_rallentamento) start = here;
    if (cells[c].tipo_cella != tipo::fine_rallentamento || start < 0) continue;
    const std::int32_t speed = cells[static_cast<std::size_t>(start)].valore_a;
    if (speed > 0) out.push_back({(start - 1) * 50, (here - 1) * 50, speed});
    start = -1;
  }
  return out;
}

// "13:57", the hours past a day taken back into it.
std::string hours_minutes(std::int64_t t) {
  t = (t % seconds_a_day + seconds_a_day) % seconds_a_day;
  const std::int64_t m = t / 60 % 60;
  return std::to_string(t / 3600) + (m < 10 ? ":0" : ":") + std::to_string(m);
}

std::string duration(std::int64_t s) {
  return s < 60 ? std::to_string(s) + " s" : std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
}

}  // namespace

bool has_timetable(const Scene& s) { return timed_stops(s).size() >= 2; }

double draw_timetable(svg::Document& doc, const Scene& s, double y) {
  const std::vector<TimedStop> stops = timed_stops(s);
  if (stops.size() < 2) return 0;
  const scenario::LeastTime least(s.compiled.celle, slowdowns(s.compiled.celle));
  std::vector<Leg> legs;
  for (std::size_t i = 1; i < stops.size(); ++i) {
    Leg leg{&stops[i - 1], &stops[i], std::nullopt};
    if (leg.to->position > leg.from->position) leg.least = least.whole_seconds(leg.from->position, leg.to->position);
    legs.push_back(leg);
  }

  // The scale: the times both lines take over the stretch shown. The
  // timetable's line is straight between stations and the least-time line
  // only rises, so the ends of each leg's part in the stretch hold them.
  double t0 = 0, t1 = 0;
  bool any = false;
  const auto take = [&](double t) {
    t0 = any ? std::min(t0, t) : t;
    t1 = any ? std::max(t1, t) : t;
    any = true;
  };
  for (const Leg& l : legs) {
    const double a = l.from->position, b = l.to->position;
    if (std::max(a, b) < s.from || std::min(a, b) > s.to) continue;
    const auto tf = static_cast<double>(l.from->time), tt = static_cast<double>(l.to->time);
    if (b <= a) {
      take(tf);
      take(tt);
      continue;
    }
    for (const double p : {std::max(a, s.from), std::min(b, s.to)}) {
      take(tf + (tt - tf) * (p - a) / (b - a));
      if (!l.least) continue;
      if (const std::optional<double> t = least.between(l.from->position, static_cast<std::int64_t>(p)))
        take(tf + *t);
    }
  }
  if (!any) return 0;
  // Round steps of time, the first giving at most 6 intervals.
  double step = 43200;
  for (double t : {60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0, 14400.0, 21600.0})
    if (t * 6 >= t1 - t0) {
      step = t;
      break;
    }
  t0 = std::floor(t0 / step) * step;
  t1 = std::max(std::ceil(t1 / step) * step, t0 + step);

  const double top = y + 18, bottom = top + strip_height;
  // Time runs down the strip, as it does on a graphic timetable.
  const auto ty = [&](double t) { return top + (t - t0) / (t1 - t0) * strip_height; };
  const auto tx = [&](double metres) { return s.x(metres); };

  doc.open_group("timetable");
  doc.text("class=\"panel-title\" x=\"" + num(axis_left) + "\" y=\"" + num(top - 5) + "\"",
           svg::utf8_text("timetable: station times against distance (blue), and the least time of each "
                          "stretch at the train's speed limits and slowdowns (grey); red: a time no "
                          "train can keep"));
  doc.element("rect", "class=\"frame\" x=\"" + num(axis_left) + "\" y=\"" + num(top) + "\" width=\"" +
                          num(axis_right - axis_left) + "\" height=\"" + num(strip_height) + "\"");
  for (double t = t0; t <= t1 + 0.5; t += step) {
    doc.element("path", "class=\"grid\" d=\"M" + num(axis_left) + " " + num(ty(t)) + " H" + num(axis_right) + "\"");
    doc.text("class=\"tick-label\" x=\"" + num(axis_left - 5) + "\" y=\"" + num(ty(t) + 3.5) +
                 "\" text-anchor=\"end\"",
             hours_minutes(static_cast<std::int64_t>(t)));
  }
  doc.raw("<clipPath id=\"timetable-clip\"><rect x=\"" + num(axis_left) + "\" y=\"" + num(top) + "\" width=\"" +
          num(axis_right - axis_left) + "\" height=\"" + num(strip_height) + "\"/></clipPath>\n");
  doc.open_group("timetable-lines", "clip-path=\"url(#timetable-clip)\"");

  // Each least-time line from its stretch's given start, a point every two
  // pixels or so, never closer than a cell.
  const double metres_per_point = std::max(50.0, (s.to - s.from) / (axis_right - axis_left) * 2);
  doc.open_group("least-time");
  for (const Leg& l : legs) {
    if (!l.least) continue;
    const double a = l.from->position, b = l.to->position;
    std::vector<Point> points;
    for (double p = std::max(a, s.from - metres_per_point);; p += metres_per_point) {
      p = std::min(p, b);
      const std::optional<double> t = least.between(l.from->position, static_cast<std::int64_t>(p));
      if (t) points.push_back({tx(p), ty(static_cast<double>(l.from->time) + *t)});
      if (p >= b || p > s.to + metres_per_point) break;
    }
    doc.element("path", "class=\"least-time\" d=\"" + svg::polyline(points) + "\"");
  }
  doc.close_group();

  doc.open_group("timetable-line");
  std::vector<Point> given;
  for (const TimedStop& st : stops) given.push_back({tx(st.position), ty(static_cast<double>(st.time))});
  doc.element("path", "class=\"timetable\" d=\"" + svg::polyline(given) + "\"");
  for (const Leg& l : legs) {
    if (!l.too_fast()) continue;
    const std::int64_t distance = l.to->position - l.from->position;
    doc.element("path",
                "class=\"too-fast\" d=\"M" + num(tx(l.from->position)) + " " + num(ty(static_cast<double>(l.from->time))) +
                    " L" + num(tx(l.to->position)) + " " + num(ty(static_cast<double>(l.to->time))) + "\"",
                l.from->name + " to " + l.to->name +
                    svg::utf8_text(": " + std::to_string(distance) + " m in " + duration(l.to->time - l.from->time) +
                                   ", but at least " +
                                   duration(*l.least) +
                                   " at the train's limits: no train can keep it"));
  }
  doc.close_group();
  doc.close_group();  // timetable-lines

  // The timed stations, with their times where there is room.
  doc.open_group("timetable-stations");
  LabelSpace space({axis_left, top, axis_right, bottom});
  for (const TimedStop& st : stops) {
    if (!s.shows(st.position)) continue;
    const double x = tx(st.position), cy = ty(static_cast<double>(st.time));
    doc.element("circle", "class=\"timed-station\" cx=\"" + num(x) + "\" cy=\"" + num(cy) + "\" r=\"3\"",
                st.name + svg::utf8_text(" " + hours_minutes(st.time)));
    space.block({x - 3, cy - 3, x + 3, cy + 3});
  }
  for (const TimedStop& st : stops) {
    if (!s.shows(st.position)) continue;
    const double x = tx(st.position), cy = ty(static_cast<double>(st.time));
    const std::string t = hours_minutes(st.time);
    for (const auto& [dx, anchor, a] : {std::tuple{5.0, "start", Anchor::start}, {-5.0, "end", Anchor::end}}) {
      if (!space.take(text_box(x + dx, cy - 4, t, 10, a))) continue;
      doc.text("class=\"value-label halo\" x=\"" + num(x + dx) + "\" y=\"" + num(cy - 4) + "\" text-anchor=\"" +
                   anchor + "\"",
               t);
      break;
    }
  }
  doc.close_group();
  doc.close_group();
  return bottom - y + 26;
}

}  // namespace render
