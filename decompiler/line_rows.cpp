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

std::int64_t inizio_cella(std::int64_t i) { return i * metri_per_cella; }

// The three progressive records as read, before their ordering: whichever
// assignment of the three slots to "uno", "due" and "tre" orders back into
// the slots. The first one tried puts slot 81 under "uno", as an author
// who fills "uno" first writes.
struct Progressiva {
  std::int64_t posizione = 0, progressiva = 0, flag = 0;
};
std::array<Progressiva, 3> progressive_lette(const CompiledModel& c) {
  auto letta = [&](int slot) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(slot)];
    return Progressiva{v.dato1, std::int64_t{v.dato2} - (v.dato3 == 1 ? 100 : 0), v.dato3};
  };
  // uno, due, tre
  constexpr std::array<std::array<int, 3>, 6> prove{{{81, 82, 83},
                                                     {83, 82, 81},
                                                     {81, 83, 82},
                                                     {82, 81, 83},
                                                     {82, 83, 81},
                                                     {83, 81, 82}}};
  for (const auto& prova : prove) {
    const std::array<Progressiva, 3> r{letta(prova[0]), letta(prova[1]), letta(prova[2])};
    bool entra = true;
    for (const Progressiva& p : r)
      entra = entra && p.progressiva >= INT32_MIN && p.progressiva <= INT32_MAX;
    if (!entra) continue;
    Modello m;
    auto metti = [&](int slot, const Progressiva& p) {
      voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(slot)];
      v.dato1 = static_cast<std::int32_t>(p.posizione);
      v.dato2 = static_cast<std::int32_t>(p.progressiva);
      v.dato3 = static_cast<std::int32_t>(p.flag);
    };
    metti(voce::progressiva_uno, r[0]);
    metti(voce::progressiva_due, r[1]);
    metti(voce::progressiva_tre, r[2]);
    try {
      progressive_ordina(m);
    } catch (const ReadFailure&) {
      continue;
    }
    bool uguale = true;
    for (int slot = voce::progressiva_tre; slot <= voce::progressiva_uno; ++slot) {
      const voce_percorso& a = m.tabella_percorso[static_cast<std::size_t>(slot)];
      const voce_percorso& b = c.route[static_cast<std::size_t>(slot)];
      uguale = uguale && a.dato1 == b.dato1 && a.dato2 == b.dato2 && a.dato3 == b.dato3;
    }
    if (uguale) return r;
  }
  return {letta(81), letta(82), letta(83)};
}

void generale(const CompiledModel& c, TextOut& out) {
  const voce_percorso& treno = c.route[voce::treno];
  const voce_percorso& scenario = c.route[voce::scenario];
  const voce_percorso& ripetizione = c.route[voce::ripetizione];
  out.line(generale_field);
  out.row(record(RecordId::lunghezza).keyword, {treno.dato2});
  const std::array<Progressiva, 3> p = progressive_lette(c);
  out.row(record(RecordId::progressiva_uno).keyword, {p[0].posizione, p[0].progressiva, p[0].flag});
  out.row(record(RecordId::progressiva_due).keyword, {p[1].posizione, p[1].progressiva, p[1].flag});
  out.row(record(RecordId::progressiva_tre).keyword, {p[2].posizione, p[2].progressiva, p[2].flag});
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
struct Curva {
  std::int64_t inizio = 0, lunghezza = 0;
  int classe = 0;
  bool sinistra = false;
};

std::vector<Curva> curve(const Tracciato& t) {
  struct Tipo {
    double k;
    int classe;
    bool sinistra;
  };
  std::vector<Tipo> tipi{{0.0, 0, false}};
  for (int classe = 1; classe <= static_cast<int>(curve_class_digits.size()); ++classe) {
    for (const bool sinistra : {false, true})
      tipi.push_back({curvatura(curve_keyword(sinistra, classe)), classe, sinistra});
  }
  std::vector<Curva> out;
  const std::size_t punti = t.punti();
  if (punti < 3) return out;
  double x0 = t.valore(0, 0), y0 = t.valore(0, 1), x1 = t.valore(1, 0), y1 = t.valore(1, 1);
  std::size_t ultimo_tipo = 0;
  for (std::size_t c = 2; c < punti; ++c) {
    if (t.tipo(c) != Tracciato::Tipo::reale) break;
    const double x = t.valore(c, 0), y = t.valore(c, 1);
    const double dx = x1 - x0, dy = y1 - y0;
    auto passo = [&](double k) {
      if (k == 0.0) return x1 + dx == x && y1 + dy == y;
      return x1 + (dx + k * dy) == x && y1 + (dy - k * dx) == y;
    };
    std::size_t trovato = tipi.size();
    if (passo(tipi[ultimo_tipo].k)) {
      trovato = ultimo_tipo;
    } else {
      for (std::size_t i = 0; i < tipi.size(); ++i) {
        if (passo(tipi[i].k)) {
          trovato = i;
          break;
        }
      }
    }
    // A step no curvature makes: the recovery stops here and the proof
    // names the points.
    if (trovato == tipi.size()) break;
    if (trovato != 0) {
      const Tipo& tp = tipi[trovato];
      if (!out.empty() && trovato == ultimo_tipo &&
          out.back().inizio + out.back().lunghezza + 1 == static_cast<std::int64_t>(c)) {
        ++out.back().lunghezza;
      } else {
        out.push_back({static_cast<std::int64_t>(c) - 1, 1, tp.classe, tp.sinistra});
      }
    }
    ultimo_tipo = trovato;
    x0 = x1;
    y0 = y1;
    x1 = x;
    y1 = y;
  }
  return out;
}

void pendenze(const CompiledModel& c, TextOut& out) {
  profile_rows(
      c.cells, [](const cella& x) { return int{x.codice_pendenza}; }, 100,
      [&](std::int64_t p, int b) { out.row(record(RecordId::pendenza).keyword, {p, b - 100}); });
}

// Mountains: runs of one mountain code. A run whose every fourth cell is a
// marker where a marker could stand had markers. A mountain that begins
// 150 m or less after the previous one's end becomes type 3: a run of
// another type that near is kept apart by an empty mountain between them.
void montagne(const CompiledModel& c, TextOut& out) {
  const std::vector<cella>& cells = c.cells;
  std::int64_t fine_precedente = 0;
  bool prima = true;
  for (std::size_t i = 0; i < cells.size();) {
    const std::uint8_t codice = cells[i].codice_montagna;
    std::size_t j = i;
    while (j + 1 < cells.size() && cells[j + 1].codice_montagna == codice) ++j;
    if (codice != 0) {
      bool marcatori = false;
      for (std::size_t k = i + 3; k <= j; k += 4)
        marcatori = marcatori || cells[k].tipo_cella == tipo::marcatore_montagna;
      const std::int64_t inizio = inizio_cella(static_cast<std::int64_t>(i));
      const std::int64_t fine = inizio_cella(static_cast<std::int64_t>(j) + 1);
      if (!prima && inizio - fine_precedente <= 150 && codice != 3) {
        // Its start and end at 0 write no cell.
        out.row(record(RecordId::montagna).keyword, {0, 0, 1});
        fine_precedente = 0;
      }
      std::int64_t t = codice;
      if (marcatori) t += 10;
      else if (codice > 10) t -= 256;
      out.row(record(RecordId::montagna).keyword, {inizio, fine, t});
      fine_precedente = fine;
      prima = false;
    }
    i = j + 1;
  }
}

// A code of steps of 5 back into the two speeds that give it: the s speed
// from the hundreds, the d speed from the rest (floored, so negative codes
// come back too).
std::pair<std::int64_t, std::int64_t> velocita_di(std::int64_t codice) {
  std::int64_t centinaia = codice / 100, resto = codice % 100;
  if (resto < 0) {
    resto += 100;
    --centinaia;
  }
  return {5 * centinaia, 5 * resto};
}
std::pair<std::int64_t, std::int64_t> strisce_di(std::int64_t codice) {
  std::int64_t s = codice / 10, d = codice % 10;
  if (d < 0) {
    d += 10;
    --s;
  }
  return {s, d};
}

void cartelli(const CompiledModel& c, TextOut& out) {
  out.line("[cartelli]");
  std::vector<std::pair<int, std::int64_t>> testi;  // entry, position
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    const cella& x = c.cells[i];
    const std::int64_t p = inizio_cella(static_cast<std::int64_t>(i) - 1);
    if (x.tipo_cella == tipo::indicatore_v_max) {
      const auto [vas, vad] = velocita_di(x.valore_a);
      const auto [vbs, vbd] = velocita_di(x.valore_b);
      const auto [vcs, vcd] = velocita_di(x.valore_c);
      const auto [ss, sd] = strisce_di(x.valore_d);
      out.row(record(RecordId::indicatori).keyword, {p, vas, vbs, vcs, ss, vad, vbd, vcd, sd});
    } else if (x.tipo_cella == tipo::cartello) {
      testi.emplace_back(x.valore_a, p);
    }
  }
  // Text boards take their entries in file order, 80 first; a board whose
  // cell a station's stop cell took stands on that stop cell.
  const int piu_bassa = lowest_board_entry(c);
  std::vector<std::int64_t> fermate;
  for (std::size_t i = 0; i < c.cells.size(); ++i)
    if (c.cells[i].tipo_cella == tipo::fermata) fermate.push_back(inizio_cella(static_cast<std::int64_t>(i) - 1));
  std::size_t prossima_fermata = 0;
  out.line("[indicazioni]");
  for (int e = voce::primo_cartello; e >= piu_bassa; --e) {
    auto it = std::find_if(testi.begin(), testi.end(), [&](const auto& t) { return t.first == e; });
    std::int64_t p = 0;
    if (it != testi.end()) p = it->second;
    else if (prossima_fermata < fermate.size()) p = fermate[prossima_fermata++];
    out.row(record(RecordId::cartello).keyword, {p}, &c.route[static_cast<std::size_t>(e)].testo);
  }
}

}  // namespace

int lowest_board_entry(const CompiledModel& c) {
  std::vector<bool> citata(voce::numero, false);
  for (const cella& x : c.cells)
    if (x.tipo_cella == tipo::cartello && x.valore_a >= 1 && x.valore_a <= voce::primo_cartello)
      citata[static_cast<std::size_t>(x.valore_a)] = true;
  int piu_bassa = voce::primo_cartello + 1;
  for (int e = voce::primo_cartello; e >= 1; --e) {
    const voce_percorso& v = c.route[static_cast<std::size_t>(e)];
    const bool solo_testo = !v.testo.empty() && v.tipo_voce == 0 && v.dato1 == 0 && v.dato2 == 0 &&
                            v.dato3 == 0 && v.dato4 == 0;
    if (!citata[static_cast<std::size_t>(e)] && !solo_testo) break;
    piu_bassa = e;
  }
  return piu_bassa;
}

std::string recover_line(const CompiledModel& c) {
  TextOut out;
  generale(c, out);
  out.line("[curve]");
  if (c.plan != nullptr) {
    for (const Curva& k : curve(*c.plan)) {
      out.row(curve_keyword(k.sinistra, k.classe), {k.inizio, k.lunghezza});
    }
  }
  out.line("[pendenze]");
  pendenze(c, out);
  out.line("[montagne]");
  montagne(c, out);
  cartelli(c, out);
  out.line("[fine]");
  return out.take();
}

}  // namespace scenario
