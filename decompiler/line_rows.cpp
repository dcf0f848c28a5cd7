// The line description read back: the general section from route entries
// 81 to 86, curves from the plan, gradients, mountains and boards from the
// cells.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "compiler/line_features.h"
#include "rows/records.h"
#include "model/format_constants.h"
#include "decompiler/recover.h"
#include "decompiler/rows.h"
#include "text/field_reader.h"

namespace scenario {
namespace {

std::int64_t cell_start(std::int64_t i) { return i * metri_per_cella; }

// The three progressive records as read, before their ordering: whichever
// assignment of the three slots to "uno", "due" and "tre" orders back into
// the slots. The first one tried puts slot 81 under "uno", as an author
// who fills "uno" first writes.
struct Progressive {
  std::int64_t position = 0, value = 0, flag = 0;
};
std::array<Progressive, 3> progressives_read(const CompiledModel& c) {
  auto read_slot = [&](int slot) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(slot)];
    return Progressive{v.dato1, std::int64_t{v.dato2} - (v.dato3 == 1 ? 100 : 0), v.dato3};
  };
  // uno, due, tre
  constexpr std::array<std::array<int, 3>, 6> tries{{{81, 82, 83},
                                                     {83, 82, 81},
                                                     {81, 83, 82},
                                                     {82, 81, 83},
                                                     {82, 83, 81},
                                                     {83, 81, 82}}};
  for (const auto& attempt : tries) {
    const std::array<Progressive, 3> r{read_slot(attempt[0]), read_slot(attempt[1]), read_slot(attempt[2])};
    bool fits = true;
    for (const Progressive& p : r)
      fits = fits && p.value >= INT32_MIN && p.value <= INT32_MAX;
    if (!fits) continue;
    Modello m;
    auto put = [&](int slot, const Progressive& p) {
      voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(slot)];
      v.dato1 = static_cast<std::int32_t>(p.position);
      v.dato2 = static_cast<std::int32_t>(p.value);
      v.dato3 = static_cast<std::int32_t>(p.flag);
    };
    put(voce::progressiva_uno, r[0]);
    put(voce::progressiva_due, r[1]);
    put(voce::progressiva_tre, r[2]);
    try {
      progressive_ordina(m);
    } catch (const ReadFailure&) {
      continue;
    }
    bool same = true;
    for (int slot = voce::progressiva_tre; slot <= voce::progressiva_uno; ++slot) {
      const voce_percorso& a = m.tabella_percorso[static_cast<std::size_t>(slot)];
      const voce_percorso& b = c.route[static_cast<std::size_t>(slot)];
      same = same && a.dato1 == b.dato1 && a.dato2 == b.dato2 && a.dato3 == b.dato3;
    }
    if (same) return r;
  }
  return {read_slot(81), read_slot(82), read_slot(83)};
}

void general_section(const CompiledModel& c, TextOut& out) {
  const voce_percorso& treno = c.route[voce::treno];
  const voce_percorso& scenario = c.route[voce::scenario];
  const voce_percorso& ripetizione = c.route[voce::ripetizione];
  out.line(generale_field);
  out.row(record(RecordId::lunghezza).keyword, {treno.dato2});
  const std::array<Progressive, 3> p = progressives_read(c);
  out.row(record(RecordId::progressiva_uno).keyword, {p[0].position, p[0].value, p[0].flag});
  out.row(record(RecordId::progressiva_due).keyword, {p[1].position, p[1].value, p[1].flag});
  out.row(record(RecordId::progressiva_tre).keyword, {p[2].position, p[2].value, p[2].flag});
  out.row(record(RecordId::sfondo_uno).keyword, {scenario.dato1});
  out.row(record(RecordId::sfondo_due).keyword, {scenario.dato3});
  out.row(record(RecordId::sfondo_tre).keyword, {scenario.dato2});
  // dato3 is the number of codes the keyword's digit gave.
  const char codes =
      ripetizione.dato3 == repetition_codes[1] - '0' ? repetition_codes[1] : repetition_codes[0];
  out.row(repetition_keyword(std::string_view(&codes, 1)),
          {ripetizione.dato1, ripetizione.dato2});
}

// Curves: every computed point of the plan is the step of one curvature
// from the two points before it, found by making each step again exactly
// as the compiler makes it. A run of points of one non-zero curvature is
// one curve record.
struct Curve {
  std::int64_t start = 0, length = 0;
  int class_digit = 0;
  bool left = false;
};

std::vector<Curve> curve(const Tracciato& t) {
  struct CurveKind {
    double k;
    int class_digit;
    bool left;
  };
  std::vector<CurveKind> kinds{{0.0, 0, false}};
  for (int class_digit = 1; class_digit <= static_cast<int>(curve_class_digits.size()); ++class_digit) {
    for (const bool left : {false, true})
      kinds.push_back({curvatura(curve_keyword(left, class_digit)), class_digit, left});
  }
  std::vector<Curve> out;
  const std::size_t punti = t.punti();
  if (punti < 3) return out;
  double x0 = t.valore(0, 0), y0 = t.valore(0, 1), x1 = t.valore(1, 0), y1 = t.valore(1, 1);
  std::size_t last_kind = 0;
  for (std::size_t c = 2; c < punti; ++c) {
    if (t.tipo(c) != Tracciato::Tipo::reale) break;
    const double x = t.valore(c, 0), y = t.valore(c, 1);
    const double dx = x1 - x0, dy = y1 - y0;
    auto steps_as = [&](double k) {
      if (k == 0.0) return x1 + dx == x && y1 + dy == y;
      return x1 + (dx + k * dy) == x && y1 + (dy - k * dx) == y;
    };
    std::size_t found = kinds.size();
    if (steps_as(kinds[last_kind].k)) {
      found = last_kind;
    } else {
      for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (steps_as(kinds[i].k)) {
          found = i;
          break;
        }
      }
    }
    // A step no curvature makes: the recovery stops here and the proof
    // names the points.
    if (found == kinds.size()) break;
    if (found != 0) {
      const CurveKind& tp = kinds[found];
      if (!out.empty() && found == last_kind &&
          out.back().start + out.back().length + 1 == static_cast<std::int64_t>(c)) {
        ++out.back().length;
      } else {
        out.push_back({static_cast<std::int64_t>(c) - 1, 1, tp.class_digit, tp.left});
      }
    }
    last_kind = found;
    x0 = x1;
    y0 = y1;
    x1 = x;
    y1 = y;
  }
  return out;
}

void gradients(const CompiledModel& c, TextOut& out) {
  profile_rows(
      c.cells, [](const cella& x) { return int{x.codice_pendenza}; }, 100,
      [&](std::int64_t p, int b) { out.row(record(RecordId::pendenza).keyword, {p, b - 100}); });
}

// Mountains: runs of one mountain code. A run whose every fourth cell is a
// marker where a marker could stand had markers. A mountain that begins
// 150 m or less after the previous one's end becomes type 3: a run of
// another type that near is kept apart by an empty mountain between them.
void mountains(const CompiledModel& c, TextOut& out) {
  const std::vector<cella>& cells = c.cells;
  std::int64_t previous_end = 0;
  bool first = true;
  for (std::size_t i = 0; i < cells.size();) {
    const std::uint8_t code = cells[i].codice_montagna;
    std::size_t j = i;
    while (j + 1 < cells.size() && cells[j + 1].codice_montagna == code) ++j;
    if (code != 0) {
      bool markers = false;
      for (std::size_t k = i + 3; k <= j; k += 4)
        markers = markers || cells[k].tipo_cella == tipo::marcatore_montagna;
      const std::int64_t start = cell_start(static_cast<std::int64_t>(i));
      const std::int64_t end = cell_start(static_cast<std::int64_t>(j) + 1);
      if (!first && start - previous_end <= 150 && code != 3) {
        // Its start and end at 0 write no cell.
        out.row(record(RecordId::montagna).keyword, {0, 0, 1});
        previous_end = 0;
      }
      std::int64_t t = code;
      if (markers) t += 10;
      else if (code > 10) t -= 256;
      out.row(record(RecordId::montagna).keyword, {start, end, t});
      previous_end = end;
      first = false;
    }
    i = j + 1;
  }
}

// A code of steps of 5 back into the two speeds that give it: the s speed
// from the hundreds, the d speed from the rest (floored, so negative codes
// come back too).
std::pair<std::int64_t, std::int64_t> speeds_of(std::int64_t code) {
  std::int64_t hundreds = code / 100, rest = code % 100;
  if (rest < 0) {
    rest += 100;
    --hundreds;
  }
  return {5 * hundreds, 5 * rest};
}
std::pair<std::int64_t, std::int64_t> stripes_of(std::int64_t code) {
  std::int64_t s = code / 10, d = code % 10;
  if (d < 0) {
    d += 10;
    --s;
  }
  return {s, d};
}

void boards(const CompiledModel& c, TextOut& out) {
  out.line("[cartelli]");
  std::vector<std::pair<int, std::int64_t>> texts;  // entry, position
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    const cella& x = c.cells[i];
    const std::int64_t p = cell_start(static_cast<std::int64_t>(i) - 1);
    // A station's stop cell keeps the rest of a speed board it took: the
    // board comes back, its first code (which the station's entry took) 0.
    const bool board_under_stop =
        x.tipo_cella == tipo::fermata && (x.valore_b != 0 || x.valore_c != 0 || x.valore_d != 0);
    if (x.tipo_cella == tipo::indicatore_v_max || board_under_stop) {
      const auto [vas, vad] = speeds_of(board_under_stop ? 0 : x.valore_a);
      const auto [vbs, vbd] = speeds_of(x.valore_b);
      const auto [vcs, vcd] = speeds_of(x.valore_c);
      const auto [ss, sd] = stripes_of(x.valore_d);
      out.row(record(RecordId::indicatori).keyword, {p, vas, vbs, vcs, ss, vad, vbd, vcd, sd});
    } else if (x.tipo_cella == tipo::cartello) {
      texts.emplace_back(x.valore_a, p);
    }
  }
  // Text boards take their entries in file order, 80 first; a board whose
  // cell a station's stop cell took stands on that stop cell.
  const int lowest = lowest_board_entry(c);
  std::vector<std::int64_t> stops;
  for (std::size_t i = 0; i < c.cells.size(); ++i)
    if (c.cells[i].tipo_cella == tipo::fermata) stops.push_back(cell_start(static_cast<std::int64_t>(i) - 1));
  std::size_t next_stop = 0;
  out.line("[indicazioni]");
  for (int e = voce::primo_cartello; e >= lowest; --e) {
    auto it = std::find_if(texts.begin(), texts.end(), [&](const auto& t) { return t.first == e; });
    std::int64_t p = 0;
    if (it != texts.end()) p = it->second;
    else if (next_stop < stops.size()) p = stops[next_stop++];
    out.row(record(RecordId::cartello).keyword, {p}, &c.route[static_cast<std::size_t>(e)].testo);
  }
}

}  // namespace

int lowest_board_entry(const CompiledModel& c) {
  std::vector<bool> mentioned(voce::numero, false);
  for (const cella& x : c.cells)
    if (x.tipo_cella == tipo::cartello && x.valore_a >= 1 && x.valore_a <= voce::primo_cartello)
      mentioned[static_cast<std::size_t>(x.valore_a)] = true;
  int lowest = voce::primo_cartello + 1;
  for (int e = voce::primo_cartello; e >= 1; --e) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(e)];
    const bool text_only = !v.testo.empty() && v.tipo_voce == 0 && v.dato1 == 0 && v.dato2 == 0 &&
                            v.dato3 == 0 && v.dato4 == 0;
    if (!mentioned[static_cast<std::size_t>(e)] && !text_only) break;
    lowest = e;
  }
  return lowest;
}

std::string recover_line(const CompiledModel& c) {
  TextOut out;
  general_section(c, out);
  out.line("[curve]");
  if (c.plan != nullptr) {
    for (const Curve& k : curve(*c.plan)) {
      out.row(curve_keyword(k.left, k.class_digit), {k.start, k.length});
    }
  }
  out.line("[pendenze]");
  gradients(c, out);
  out.line("[montagne]");
  mountains(c, out);
  boards(c, out);
  out.line("[fine]");
  return out.take();
}

}  // namespace scenario
