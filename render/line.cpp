// The page: the title block, the plan, the profiles and the legend, one
// below the other, and the checks that the three files belong together.
#include "render/line.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/competition_codes.h"
#include "model/format_constants.h"
#include "render/scene.h"

namespace render {

using namespace scenario;
using render::Scene;
using render::Mark;
using svg::num;

namespace {


std::vector<render::Station> stations(const CompiledScenario& l) {
  std::vector<render::Station> out;
  for (int i = 1; i <= voce::primo_cartello; ++i) {
    const voce_percorso& v = l.tabella_percorso[static_cast<std::size_t>(i)];
    if (e_stazione(v)) out.push_back({i, v.dato3, v.tipo_voce, svg::cp1252_text(v.testo)});
  }
  return out;
}

std::int64_t expected_cells(std::int64_t length) { return ultima_cella_per(length) + 1; }

std::string style() {
  std::string s =
      "text{font-family:'DejaVu Sans','Liberation Sans',Arial,Helvetica,sans-serif;font-size:12px;fill:#222}\n"
      ".title{font-size:22px;font-weight:bold}\n"
      ".subtitle{font-size:13px;fill:#333}\n"
      ".panel-title{font-size:11px;font-weight:bold;fill:#444}\n"
      ".tick-label,.unit{font-size:10px;fill:#555}\n"
      ".small,.legend-note{font-size:11px;fill:#555}\n"
      ".lane-label{font-size:11px;fill:#333}\n"
      ".value-label{font-size:10px;fill:#333}\n"
      ".board-label{font-size:9px;fill:#0d47a1}\n"
      ".mountain-label{font-size:9px;fill:#fff}\n"
      ".station-name{font-size:12px;font-weight:bold}\n"
      ".station-name-slanted{font-size:11px}\n"
      ".end-label{font-size:12px;font-style:italic;fill:#333}\n"
      ".km-label{font-size:10px;fill:#1f4e8c}\n"
      ".north-label{font-size:14px;font-weight:bold}\n"
      ".halo{paint-order:stroke;stroke:#fff;stroke-width:3px;stroke-linejoin:round}\n"
      ".frame{fill:#fcfcfa;stroke:#b5b5b5}\n"
      ".grid{stroke:#e6e6e6;fill:none}\n"
      ".zero{stroke:#9a9a9a;fill:none}\n"
      ".axis{stroke:#555;fill:none}\n"
      ".lane{stroke:#e0e0e0;fill:none}\n"
      ".guide{stroke:#c8c8c8;stroke-dasharray:3 3;fill:none}\n"
      ".guide-tick{stroke:#777;fill:none}\n"
      ".leader{stroke:#999;stroke-width:.8;fill:none}\n"
      ".track,.key-track{fill:none;stroke:#1f4e8c;stroke-width:2.5;stroke-linejoin:round;stroke-linecap:round}\n"
      ".km-tick{stroke:#1f4e8c;stroke-width:1.5}\n"
      ".plan-station{fill:#fff;stroke:#111;stroke-width:2}\n"
      ".start{fill:#2e9d3a;stroke:#fff;stroke-width:1.5}\n"
      ".end{fill:#c62828;stroke:#fff;stroke-width:1.5}\n"
      ".stretch-end{fill:#777;stroke:#fff}\n"
      ".north{fill:#333}\n"
      ".scale-bar{fill:none;stroke:#333;stroke-width:1.5}\n"
      ".elevation-area,.key-elevation-area{fill:#eadfca;stroke:none}\n"
      ".elevation,.key-elevation{fill:none;stroke:#8a6d3b;stroke-width:1.5}\n"
      ".gradient-up,.key-gradient-up{fill:#e07b6a}\n"
      ".gradient-down,.key-gradient-down{fill:#6aa0e0}\n"
      ".speed-limit,.key-speed-limit{fill:none;stroke:#c62828;stroke-width:2}\n"
      ".adhesion,.key-adhesion{fill:none;stroke:#2e7d32;stroke-width:1.5}\n"
      ".slowdown-speed,.key-slowdown-speed{fill:none;stroke:#ef6c00;stroke-width:2;stroke-dasharray:6 3}\n"
      ".slowdown-label{font-size:9px;fill:#bf360c}\n"
      ".mountain,.key-mountain{fill:#8d6e63;fill-opacity:.75;stroke:#5d4037}\n"
      ".timetable,.key-timetable{fill:none;stroke:#1565c0;stroke-width:2}\n"
      ".least-time,.key-least-time{fill:none;stroke:#757575;stroke-width:1.5;stroke-dasharray:4 3}\n"
      ".too-fast,.key-too-fast{fill:none;stroke:#d32f2f;stroke-width:3.5}\n"
      ".timed-station{fill:#fff;stroke:#1565c0;stroke-width:1.5}\n";
  struct Colour {
    std::string_view css_class, rules;
  };
  static constexpr Colour colours[] = {
      {"signal", "fill:#d32f2f;stroke:#222;stroke-width:1"},
      {"slowdown-warning", "fill:#fbc02d;stroke:#222;stroke-width:.8"},
      {"slowdown-approach", "fill:#ef6c00;stroke:none"},
      {"slowdown-start", "fill:#ef6c00;stroke:#222;stroke-width:.8"},
      {"slowdown-end", "fill:#9ccc65;stroke:#222;stroke-width:.8"},
      {"abbattimento-value", "fill:#7b1fa2;stroke:#222;stroke-width:.8"},
      {"abbattimento", "fill:#fff;stroke:#7b1fa2;stroke-width:1.6"},
      {"text-board", "fill:#00838f;stroke:#222;stroke-width:.8"},
      {"station-stop", "fill:#222;stroke:#fff;stroke-width:.8"},
      {"speed-board", "fill:#1565c0;stroke:#fff;stroke-width:.8"},
  };
  for (const Colour& c : colours)
    s += "." + std::string(c.css_class) + ",.key-" + std::string(c.css_class) + "{" + std::string(c.rules) + "}\n";
  return s;
}

void title(svg::Document& doc, const Scene& s) {
  const CompiledScenario& l = s.compiled;
  const voce_percorso& header = l.tabella_percorso[voce::scenario];
  // The counts follow the stretch drawn; a stretch also names the whole route's.
  std::size_t signals = 0, signals_shown = 0, stations_shown = 0;
  for (std::size_t c = 0; c < l.celle.size(); ++c)
    if (l.celle[c].tipo_cella == tipo::segnale) {
      ++signals;
      signals_shown += s.cell_shown(c);
    }
  for (const render::Station& st : s.stations) stations_shown += s.shows(st.position);

  // The codes tie the files to the names they carry: say whether they do.
  Modello m;
  m.tabella_percorso = l.tabella_percorso;
  const bool route_ok = codice_gara_st(m) == header.dato4;
  const bool cells_ok = codice_gara_og(m) == l.celle[1].valore_b;
  const std::string verdict = route_ok && cells_ok ? "both match the scenario name and train number"
                               : route_ok            ? "the cell code does not match the names"
                               : cells_ok               ? "the route code does not match the names"
                                                        : "neither matches the names";

  const std::string dot = " \xC2\xB7 ";  // a middle dot
  doc.open_group("title");
  doc.text("class=\"title\" x=\"20\" y=\"34\"",
            svg::cp1252_text(header.testo) + svg::utf8_text(dot + "train ") + svg::cp1252_text(l.tabella_percorso[voce::ripetizione].testo));
  const std::string subtitle =
      "route " + num(s.route_length / 1000.0, 3) + " km" + dot + std::to_string(stations_shown) + " stations" +
      dot + std::to_string(signals_shown) + " signals" + (s.zoom ? " shown" : "") + dot + "competition codes: route " +
      std::to_string(header.dato4) + ", cells " + std::to_string(l.celle[1].valore_b) + " (" + verdict + ")";
  doc.text("class=\"subtitle\" x=\"20\" y=\"58\"", svg::utf8_text(subtitle));
  if (s.zoom)
    doc.text("class=\"subtitle\" x=\"20\" y=\"78\"",
              svg::utf8_text("showing " + render::km_exact(s.from) + " to " + render::km_exact(s.to) + " of a route with " +
                             std::to_string(s.stations.size()) + " stations and " + std::to_string(signals) +
                             " signals"));
  doc.close_group();
}

// One key per mark and curve, with how many marks the stretch holds.
double legend(svg::Document& doc, const Scene& s, double y) {
  const CompiledScenario& l = s.compiled;
  const auto& styles = render::marks();
  std::vector<std::size_t> counts(styles.size(), 0);
  std::size_t unknown = 0, mountains = 0;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    if (!s.cell_shown(c)) continue;
    const cella& k = l.celle[c];
    if (k.codice_montagna != 0 && (c == 1 || l.celle[c - 1].codice_montagna != k.codice_montagna ||
                                   !s.cell_shown(c - 1)))
      ++mountains;
    Mark mark{};
    if (!render::mark_of(k.tipo_cella, mark)) {
      unknown += k.tipo_cella != tipo::vuota && k.tipo_cella != tipo::marcatore_montagna;
      continue;
    }
    for (std::size_t i = 0; i < styles.size(); ++i) counts[i] += styles[i].mark == mark;
  }

  constexpr double column = 245, row = 22;
  constexpr int per_row = 6;
  int n = 0;
  auto place = [&](double& x, double& cy) {
    x = render::axis_left + column * (n % per_row);
    cy = y + 14 + row * (n / per_row);
    ++n;
  };
  auto key_text = [&](double x, double cy, const std::string& t) {
    doc.text("class=\"small\" x=\"" + num(x + 18) + "\" y=\"" + num(cy + 4) + "\"", svg::utf8_text(t));
  };
  doc.open_group("legend");
  doc.text("class=\"panel-title\" x=\"" + num(render::margin) + "\" y=\"" + num(y + 18) + "\"", "legend");
  double x = 0, cy = 0;
  for (std::size_t i = 0; i < styles.size(); ++i) {
    place(x, cy);
    render::draw_mark(doc, styles[i].mark, x + 6, cy, {}, true);
    key_text(x, cy, std::string(styles[i].label) + " (" + std::to_string(counts[i]) + ")");
  }
  place(x, cy);
  doc.element("rect", "class=\"key-mountain\" x=\"" + num(x) + "\" y=\"" + num(cy - 6) +
                           "\" width=\"13\" height=\"12\"");
  key_text(x, cy, "mountain span (" + std::to_string(mountains) + ")");
  struct CurveKey {
    std::string_view css_class, name;
    bool area;
  };
  static constexpr CurveKey curve_keys[] = {{"key-track", "track (plan)", false},
                                    {"key-elevation", "elevation", false},
                                    {"key-gradient-up", "uphill gradient", true},
                                    {"key-gradient-down", "downhill gradient", true},
                                    {"key-speed-limit", "speed limit", false},
                                    {"key-slowdown-speed", "slowdown speed", false},
                                    {"key-adhesion", "adhesion", false}};
  static constexpr CurveKey timetable_keys[] = {{"key-timetable", "timetable", false},
                                                {"key-least-time", "least time at the limits", false},
                                                {"key-too-fast", "a time no train can keep", false}};
  std::vector<CurveKey> keys(std::begin(curve_keys), std::end(curve_keys));
  if (render::has_timetable(s)) keys.insert(keys.end(), std::begin(timetable_keys), std::end(timetable_keys));
  for (const CurveKey& k : keys) {
    place(x, cy);
    if (k.area)
      doc.element("rect", "class=\"" + std::string(k.css_class) + "\" x=\"" + num(x) + "\" y=\"" + num(cy - 5) +
                               "\" width=\"13\" height=\"10\"");
    else
      doc.element("path", "class=\"" + std::string(k.css_class) + "\" d=\"M" + num(x) + " " + num(cy) + " h14\"");
    key_text(x, cy, std::string(k.name));
  }
  double height = row * ((n + per_row - 1) / per_row) + 10;
  if (unknown > 0) {
    doc.text("class=\"legend-note\" x=\"" + num(render::axis_left) + "\" y=\"" + num(y + height + 6) + "\"",
              svg::utf8_text(std::to_string(unknown) + " cells of a kind the compiler does not write are not drawn"));
    height += row;
  }
  doc.close_group();
  return height;
}

}  // namespace

std::optional<std::string> mismatch(const CompiledScenario& l) {
  const std::int32_t length = l.tabella_percorso[voce::treno].dato2;
  if (length <= 0)
    return "the route file gives the route length " + std::to_string(length) +
           " m (entry 84 dato2): there is no line to draw";
  const std::int64_t cells = expected_cells(length);
  const std::int64_t points = std::int64_t{length} + metri_oltre + 1;
  const std::string route_has = "a route of " + std::to_string(length) + " m (route file entry 84 dato2) has ";
  if (static_cast<std::int64_t>(l.celle.size()) != cells)
    return "the cell file has " + std::to_string(l.celle.size()) + " cells, but " + route_has + std::to_string(cells);
  if (static_cast<std::int64_t>(l.tracciato.punti()) != points)
    return "the compiled line file has " + std::to_string(l.tracciato.punti()) + " points, but " + route_has +
           std::to_string(points);
  return std::nullopt;
}

double axis_end(const CompiledScenario& l) {
  const double limit = static_cast<double>(l.celle.size() - 1) * 50.0;
  double end = l.tabella_percorso[voce::treno].dato2;
  for (const render::Station& st : stations(l))
    if (st.position > end) end = st.position;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    Mark s{};
    if (render::mark_of(l.celle[c].tipo_cella, s) || l.celle[c].codice_montagna != 0)
      end = std::max(end, static_cast<double>(c) * 50.0);
  }
  return std::min(end, limit);
}

std::string draw_scenario(const CompiledScenario& l, double from, double to) {
  // Kilometre ticks: the first round step giving at most 20 of them.
  double step = 500;
  for (double p : {0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0})
    if ((to - from) / 1000.0 / p <= 20) {
      step = p;
      break;
    }
  // Tooltips double a mark's size: beyond a few thousand marks, when the
  // marks lie too close to point at anyway, they are left out.
  std::size_t mark_count = 0;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    Mark k{};
    mark_count += render::mark_of(l.celle[c].tipo_cella, k) && from <= Scene::cell_middle(c) && Scene::cell_middle(c) <= to;
  }
  const Scene s{l, l.tabella_percorso[voce::treno].dato2, from, to, stations(l), step, from > 0 || to < axis_end(l),
                mark_count <= 3000};
  svg::Document doc(render::page_width, style());
  doc.raw(render::mark_definitions());
  title(doc, s);
  double y = s.zoom ? 94 : 76;
  y += render::draw_plan(doc, s, y) + 10;
  y += render::draw_timetable(doc, s, y);
  y += render::draw_profiles(doc, s, y);
  y += legend(doc, s, y);
  return doc.finish(y + 10);
}

}  // namespace render
