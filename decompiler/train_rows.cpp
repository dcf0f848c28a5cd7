// The train description read back: the header from route entries 84 and
// 86, the profiles from the cells, the stations from entries 1 upward,
// slowdowns and signals from their cells. Stations come before signals, as
// in the embedded description, so the signals' approach marks are written
// last where the two meet.
#include <string>
#include <vector>

#include "rows/records.h"
#include "decompiler/recover.h"
#include "decompiler/rows.h"

namespace scenario {
namespace {

std::int64_t position_of(std::size_t cell) {  // cell nearest(p / 50 + 1)
  return (static_cast<std::int64_t>(cell) - 1) * 50;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
std::int64_t floor_mod(std::int64_t a, std::int64_t b) { return a - floor_div(a, b) * b; }

void header(const CompiledModel& c, TextOut& out) {
  const voce_percorso& treno = c.route[voce::treno];
  const voce_percorso& r = c.route[voce::ripetizione];
  out.line(generale_field);
  out.row(record(RecordId::vetture).keyword, {treno.dato3});
  out.row(record(RecordId::frenata).keyword, {treno.dato1});
  out.row(record(RecordId::sabbia).keyword, {r.intero1});
  out.row(record(RecordId::orologio).keyword, {r.intero3, r.intero4, r.intero5});
}

// A comment line naming a station and its km: a field with a dash and no
// comma, which the reader skips.
std::string station_comment(const voce_percorso& v) {
  std::string name;
  for (const char ch : v.testo) name += (ch == ',' || static_cast<unsigned char>(ch) < 0x20) ? ' ' : ch;
  const std::int64_t p = v.dato3;
  const std::int64_t a = p < 0 ? -p : p;
  std::string metres = std::to_string(a % 1000);
  metres.insert(0, 3 - metres.size(), '0');
  return "- " + name + " km " + (p < 0 ? "-" : "") + std::to_string(a / 1000) + "." + metres;
}

void stations(const CompiledModel& c, TextOut& out) {
  out.line("[stazioni]");
  const int first_board = lowest_board_entry(c);
  int last = 0;
  for (int e = 1; e < first_board; ++e) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(e)];
    const bool empty = v.tipo_voce == 0 && v.dato1 == 0 && v.dato2 == 0 && v.dato3 == 0 &&
                       v.byte1 == 0 && v.testo.empty() && v.intero1 == 0 && v.intero2 == 0 &&
                       v.intero3 == 0 && v.intero4 == 0 && v.intero5 == 0 && v.byte2 == 0 &&
                       v.byte3 == 0 && v.byte4 == 0 && v.byte5 == 0 && v.dato4 == 0;
    if (!empty) last = e;
  }
  for (int e = 1; e <= last; ++e) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(e)];
    const std::int64_t p = v.dato3;
    // The length is not kept: it comes back from the stretch.
    std::int64_t lunghezza = 0;
    std::int64_t byte4 = v.byte4;
    const int t = v.tipo_voce;
    if (t == 5 || t == 6 || t == 7 || t == 8) {
      lunghezza = p - v.dato1;
    } else {
      lunghezza = 2 * (p - v.dato1);
      // The first station's extension flag is cleared once its stretch is
      // laid: the stretch still shows it.
      if (e == 1 && std::int64_t{v.dato2} - (p + lunghezza / 2) == 50) byte4 = 1;
    }
    const std::int64_t d = v.dato4;
    const std::int64_t hours = d / 3600, rest = d % 3600;
    out.line(station_comment(v));
    out.row(record(RecordId::stazione).keyword,
            {p, t, lunghezza, v.byte1, v.byte5, byte4, v.intero1, v.intero2, v.byte2, v.intero3,
             v.intero4, v.intero5, v.byte3, hours, rest / 60, rest % 60},
            &v.testo);
  }
}

void rallentamenti(const CompiledModel& c, TextOut& out) {
  out.line("[rallentamenti]");
  const std::vector<cella>& cells = c.cells;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const cella& s = cells[i];
    if (s.tipo_cella != tipo::inizio_rallentamento) continue;
    // Its end: the next end cell of the same values before another start;
    // with none, the slowdown has no length and its start took its end.
    std::size_t fine = i;
    for (std::size_t j = i + 1; j < cells.size(); ++j) {
      if (cells[j].tipo_cella == tipo::inizio_rallentamento) break;
      if (cells[j].tipo_cella == tipo::fine_rallentamento) {
        if (cells[j].valore_a == s.valore_a && cells[j].valore_c == s.valore_c) fine = j;
        break;
      }
    }
    const std::int64_t x = position_of(i);
    std::int64_t f_ta = 0;
    if (x > slowdown_warning_above && i >= 25) {
      const cella& a = cells[i - 25];
      f_ta = a.tipo_cella == tipo::preavviso_rallentamento && a.valore_a == 1 ? 1 : 0;
    }
    out.row(record(RecordId::rallentamento).keyword,
            {x, s.valore_a, static_cast<std::int64_t>(fine - i) * 50, s.valore_c, f_ta, s.valore_b});
  }
}

void signals(const CompiledModel& c, std::span<const Abbattimento> points, TextOut& out) {
  out.line("[segnali]");
  const std::vector<cella>& cells = c.cells;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const cella& x = cells[i];
    if (x.tipo_cella != tipo::segnale) continue;
    const std::int64_t d = x.valore_d;
    // sx * 3 + dx from an approach mark that still shows it; else from the
    // units of rapp * 10 + sx * 3 + dx.
    std::int64_t q = floor_mod(d, 10);
    for (std::int64_t k = 1; k <= 4; ++k) {
      const std::int64_t j = static_cast<std::int64_t>(i) - 2 * k;
      if (j < 0) break;
      const std::int64_t mark = cells[static_cast<std::size_t>(j)].preavviso;
      if ((mark - k) % 10 != 0 || mark < k) continue;
      const std::int64_t candidate = (mark - k) / 10;
      if (floor_mod(d - candidate, 10) == 0) {
        q = candidate;
        break;
      }
    }
    const std::int64_t rapp = (d - q) / 10;
    std::int64_t sx = q / 3, dx = q % 3;
    // Only sx = 2 keeps a time.
    if (x.tempo_segnale != 0) {
      sx = 2;
      dx = q - 6;
    }
    std::int64_t time = x.tempo_segnale;
    if (time >= 1 && time <= 100) time += 256;  // 1..100 would become 101
    out.row(record(RecordId::segnale).keyword,
            {position_of(i), sx, floor_div(x.valore_a, 10), floor_div(x.valore_b, 10),
             floor_div(x.valore_c, 10), rapp, dx, floor_mod(x.valore_a, 10),
             floor_mod(x.valore_b, 10), floor_mod(x.valore_c, 10), time});
  }
  for (const Abbattimento& a : points) out.row(record(RecordId::abbattimento).keyword, {a.position, a.value});
}

}  // namespace

std::string recover_train(const CompiledModel& c, std::span<const Abbattimento> points) {
  TextOut out;
  header(c, out);
  out.line("[aderenze]");
  profile_rows(
      c.cells, [](const cella& x) { return int{x.aderenza}; }, 0,
      [&](std::int64_t p, int b) { out.row(record(RecordId::aderenza).keyword, {p, b}); });
  out.line("[vel_limite]");
  profile_rows(
      c.cells, [](const cella& x) { return int{x.vel_limite}; }, 0,
      [&](std::int64_t p, int b) { out.row(record(RecordId::velocita).keyword, {p, 5 * b}); });
  stations(c, out);
  rallentamenti(c, out);
  signals(c, points, out);
  out.line("[codici]");
  out.line("[fine]");
  return out.take();
}

}  // namespace scenario
