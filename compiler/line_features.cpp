#include "compiler/line_features.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "rows/records.h"
#include "compiler/rounding.h"
#include "rows/text_match.h"
#include "compiler/value_checks.h"
#include "compiler/value_kinds.h"
#include "text/field_reader.h"

namespace scenario {
namespace {

// Steps of the plan, each point from the two before it. The step vector is
// turned by k and deliberately not normalised; the operations keep this
// order so every build gives the same bits. Each step waits on the one
// before, so the last two points and the write positions in the plan's
// file images ride in registers through a run of steps: reloading any of
// them from memory would lengthen the chain.
class PlanSteps {
 public:
  PlanSteps(Tracciato& t, std::size_t c)
      : out_(t), x0_(t.valore(c - 2, 0)), y0_(t.valore(c - 2, 1)), x1_(t.valore(c - 1, 0)),
        y1_(t.valore(c - 1, 1)) {
    // The plan cursor and the plan's own count of points set move together.
    if (out_.next_point() != c) throw std::logic_error("the plan cursor is not at the plan's next point");
  }

  // `n` steps of curvature k; the straight steps apart, so that neither
  // loop tests k.
  void passi(std::size_t n, double k) {
    if (k == 0.0) follow(n, Straight{});
    else follow(n, Curved{k});
  }

 private:
  // How a step turns the one before it.
  struct Straight {
    std::pair<double, double> operator()(double dx, double dy) const { return {dx, dy}; }
  };
  struct Curved {
    double k;
    std::pair<double, double> operator()(double dx, double dy) const {
      return {dx + k * dy, dy - k * dx};
    }
  };
  // One step, its state its own: a lambda holding references to the
  // caller's doubles made GCC reload them after every byte stored into the
  // images (bytes may alias anything).
  template <typename Turn>
  struct Step {
    double x0, y0, x1, y1;
    Turn turn;
    std::pair<double, double> operator()() {
      const auto [sx, sy] = turn(x1 - x0, y1 - y0);
      const double x = x1 + sx;
      const double y = y1 + sy;
      x0 = x1;
      y0 = y1;
      x1 = x;
      y1 = y;
      return {x, y};
    }
  };
  template <typename Turn>
  void follow(std::size_t n, Turn turn) {
    Step<Turn> s{x0_, y0_, x1_, y1_, turn};
    out_.reali(n, s);
    x0_ = s.x0;
    y0_ = s.y0;
    x1_ = s.x1;
    y1_ = s.y1;
  }

  Tracciato::Appender out_;
  double x0_, y0_, x1_, y1_;
};

}  // namespace

std::int64_t cella_di(std::int32_t posizione) { return indice_vicino(posizione / 50.0 + 1); }

double curvatura(std::string_view parola) {
  const auto& k = curve_class_curvature;
  for (std::size_t classe = 0; classe < k.size(); ++classe) {
    if (contiene(parola, curve_class_digits.substr(classe, 1)))
      return contiene_ci(parola, std::string_view(&curve_left, 1)) ? -k[classe] : k[classe];
  }
  return 0.0;
}

void seed_plan(Tracciato& t) {
  if (!t.esiste()) return;
  t.set_integer_point(0, 0, 0);
  t.set_integer_point(1, 0, 1);
}

bool lay_curve(Modello& m, LineState& st, std::int64_t inizio, std::int64_t lunghezza,
                double k, std::size_t offset) {
  std::int64_t c = st.cursore_piano;
  // Without the plan the cursor moves all the same: the curve's checks and
  // warnings go by it.
  std::optional<PlanSteps> passi;
  if (m.tracciato.esiste()) passi.emplace(m.tracciato, static_cast<std::size_t>(c));
  for (int tratto = 0; tratto < 2; ++tratto) {
    // The curve's end is a 32-bit sum, first formed once the straight part
    // is laid.
    const std::int64_t limite =
        tratto == 0 ? inizio : in_32(inizio + lunghezza, offset, "the curve's end (start + length)");
    const double curva = tratto == 0 ? 0.0 : k;
    while (c <= limite) {
      // Each step is checked against the end of the plan before it and the
      // last curve point after it; the steps up to the first point where
      // either could stop the curve go in one run.
      if (c > m.lunghezza_totale)
        throw ReadFailure(offset, "the curve runs past the end of the line plan");
      const std::int64_t ultimo = std::max(c, std::min({limite, std::int64_t{m.lunghezza_totale},
                                                        std::int64_t{ultimo_punto_curve}}));
      if (passi) passi->passi(static_cast<std::size_t>(ultimo - c + 1), curva);
      c = ultimo + 1;
      if (c > ultimo_punto_curve) {
        st.cursore_piano = static_cast<std::int32_t>(c);
        return false;
      }
    }
  }
  st.cursore_piano = static_cast<std::int32_t>(c);
  return true;
}

void complete_plan(Modello& m, LineState& st) {
  const std::int64_t c = st.cursore_piano;
  const std::int64_t ultimo = std::int64_t{m.lunghezza_totale} - 2;
  if (c > ultimo) return;
  if (m.tracciato.esiste()) PlanSteps(m.tracciato, static_cast<std::size_t>(c)).passi(static_cast<std::size_t>(ultimo - c + 1), 0.0);
  st.cursore_piano = static_cast<std::int32_t>(ultimo + 1);
}

void foresee_plan(Modello& m) {
  const std::int64_t reali = std::int64_t{m.lunghezza_totale} - 3;  // points 2 to lunghezza_totale - 2
  if (reali > 0) m.tracciato.foresee(2, static_cast<std::size_t>(reali));
}

namespace {

// Write-and-advance: at least one cell, then on while the cursor is below
// `fino_a`. Every row advances the cursor by at least one cell, so rows out
// of order or crowded at the end can push it past the last cell: a write
// there is a reading failure, as any other out-of-range write.
void scrivi_pendenze(Modello& m, LineState& st, std::int64_t fino_a, std::size_t offset) {
  const std::int64_t piu_100 = std::int64_t{st.pendenza_corrente} + 100;
  if (piu_100 > std::numeric_limits<std::int32_t>::max())
    throw ReadFailure(offset, "gradient " + std::to_string(st.pendenza_corrente) + " + 100 does not fit 32 bits");
  const std::uint8_t codice = low_byte(piu_100);
  std::int64_t c = st.cursore_pendenza;
  if (c <= m.ultima_cella) m.origins.gradient.add(c, st.riga_pendenza);
  do {
    if (c > m.ultima_cella)
      throw ReadFailure(offset, "gradient rows past the end pushed the gradient cursor beyond the last cell (" +
                                    std::to_string(m.ultima_cella) + ")");
    m.celle[static_cast<std::size_t>(c)].codice_pendenza = codice;
    ++c;
  } while (c < fino_a);
  st.cursore_pendenza = static_cast<std::int32_t>(c);
}

}  // namespace

void record_gradient(Modello& m, LineState& st, std::int32_t posizione, std::int32_t pendenza,
                       RowRef riga) {
  const std::int64_t i = indice_vicino(posizione / 50.0);
  if (i > 0) scrivi_pendenze(m, st, i, riga.offset());
  st.pendenza_corrente = pendenza;
  st.riga_pendenza = riga;
}

void complete_gradients(Modello& m, LineState& st, std::size_t offset) {
  scrivi_pendenze(m, st, std::int64_t{m.ultima_cella} - 2, offset);
}

void memo_montagna(Modello& m, std::int32_t inizio, std::int32_t fine, std::int32_t tipo,
                   RowRef riga) {
  const std::size_t offset = riga.offset();
  bool marcatori = false;
  if (tipo > 10) {
    tipo -= 10;
    marcatori = true;
  }
  if (m.num_montagne >= max_montagne)
    throw ReadFailure(offset, "more than 80 mountains");
  const std::int32_t n = ++m.num_montagne;
  m.montagne_inizio[static_cast<std::size_t>(n)] = inizio;
  m.montagne_fine[static_cast<std::size_t>(n)] = fine;
  // Mountains closer than 151 m to the previous one (or overlapping it) join
  // it as type 3.
  const std::int32_t scritto = tipo;
  if (n > 1 && in_32(std::int64_t{inizio} - m.montagne_fine[static_cast<std::size_t>(n - 1)], offset,
                     "the gap to the previous mountain") <= 150)
    tipo = 3;

  const std::int64_t prima = indice_vicino(inizio / 50.0);
  const std::int64_t ultima = indice_vicino(fine / 50.0 - 1);
  if (n > 1) {
    const CellOrigin* o = m.origins.cell(prima);
    check_mountain_overlap(m, riga, inizio, scritto, tipo,
                           m.montagne_fine[static_cast<std::size_t>(n - 1)], o ? o->mountain : RowRef{});
  }
  if (prima <= ultima && (prima < 0 || ultima > m.ultima_cella))
    throw ReadFailure(offset, "the mountain runs past the track cells");
  std::int64_t k = 1;
  for (std::int64_t i = prima; i <= ultima; ++i, ++k) {
    cella& c = m.celle[static_cast<std::size_t>(i)];
    c.codice_montagna = low_byte(tipo);
    if (CellOrigin* o = m.origins.cell(i)) o->mountain = riga;
    if (marcatori && k % 4 == 0 && c.tipo_cella == tipo::vuota) {
      note_feature(m, i, riga);
      c.tipo_cella = tipo::marcatore_montagna;
    }
  }
}

std::optional<Refusal> memo_indicatori_v_max(Modello& m, std::int32_t posizione, std::int32_t vas,
                                             std::int32_t vbs, std::int32_t vcs,
                                             std::int32_t strisces, std::int32_t vad,
                                             std::int32_t vbd, std::int32_t vcd,
                                             std::int32_t strisced, RowRef riga) {
  const std::size_t offset = riga.offset();
  const std::int64_t i = cella_di(posizione);
  cella& c = m.celle[static_cast<std::size_t>(i)];
  if (!libera(c)) return Refusal{ScenarioError::speed_board_cell_taken, i};
  auto codice = [&](std::int32_t d, std::int32_t s) {
    std::optional<std::int16_t> v = nearest_as<std::int16_t>(d / 5.0 + s * 20.0);
    if (!v) throw ReadFailure(offset, "a speed board code does not fit 16 bits");
    return *v;
  };
  const std::int16_t a = codice(vad, vas), b = codice(vbd, vbs), cc = codice(vcd, vcs);
  // The stripe counts and their code are 16-bit values, and so is every
  // step of the code's arithmetic.
  auto in_16 = [](std::int64_t v) { return v >= -32768 && v <= 32767; };
  const std::int64_t dieci = std::int64_t{strisces} * 10;
  const std::int64_t strisce = dieci + strisced;
  if (!in_16(strisces) || !in_16(strisced) || !in_16(dieci) || !in_16(strisce))
    throw ReadFailure(offset, "a speed board stripe code does not fit 16 bits");
  note_feature(m, i, riga);
  c.tipo_cella = tipo::indicatore_v_max;
  c.valore_a = a;
  c.valore_b = b;
  c.valore_c = cc;
  c.valore_d = static_cast<std::int16_t>(strisce);
  return std::nullopt;
}

std::optional<Refusal> memo_cartello(Modello& m, LineState& st, std::int32_t posizione,
                                     std::string_view testo, RowRef riga) {
  const std::size_t offset = riga.offset();
  const std::int64_t i = cella_di(posizione);
  cella& c = m.celle[static_cast<std::size_t>(i)];
  if (!libera(c)) return Refusal{ScenarioError::text_board_cell_taken, i};
  if (st.puntatore_cartelli < 1) throw ReadFailure(offset, "more than 80 text boards");
  if (testo.size() > 0xFFFF) throw ReadFailure(offset, "a board text longer than 65535 characters");
  note_feature(m, i, riga);
  c.tipo_cella = tipo::cartello;
  c.valore_a = low_16(st.puntatore_cartelli);
  m.tabella_percorso[static_cast<std::size_t>(st.puntatore_cartelli)].testo = testo;
  m.origins.entries[static_cast<std::size_t>(st.puntatore_cartelli)] = riga;
  --st.puntatore_cartelli;
  return std::nullopt;
}

namespace {

// Kilometric progressives that the ordering empties all three of.
void avvisa_progressive_vuote(Modello& m, RowRef t, RowRef d, RowRef u, bool posizioni_zero) {
  const RowRef prima = t.known() ? t : d.known() ? d : u;
  Diagnostic& w = warn(
      m, "progressives-emptied", prima.span(),
      posizioni_zero
          ? "the positions of the kilometric progressives add up to 0 and none has a "
            "progressive above 0: the ordering leaves all three empty"
          : "two kilometric progressives share the greatest position: the ordering leaves all "
            "three empty");
  for (const RowRef riga : {d, u})
    if (riga.known() && !(riga == prima)) w.notes.push_back({riga.span(), "another progressive record"});
  w.notes.push_back({TextSpan{}, "give the progressives different positions, the greatest "
                                 "first in use; write 0, 0, 0 for one not in use"});
}

}  // namespace

void progressive_ordina(Modello& m) {
  // Each record carries its row, so the rows follow the records into their
  // slots; an emptied slot has none.
  struct Record {
    std::int32_t posizione = 0, progressiva = 0, flag = 0;
    RowRef riga;
  };
  auto leggi = [&](int i) {
    const auto k = static_cast<std::size_t>(i);
    const voce_percorso& v = m.tabella_percorso[k];
    return Record{v.dato1, v.dato2, v.dato3, m.origins.entries[k]};
  };
  const Record T = leggi(voce::progressiva_tre), D = leggi(voce::progressiva_due),
               U = leggi(voce::progressiva_uno);
  std::array<Record, 3> r{};  // all zero unless a rule applies

  // T + D + U, each step in 32 bits; a failure is shown on the last of
  // their rows.
  std::size_t offset = TextSpan::npos;
  for (const Record* x : {&T, &D, &U})
    if (x->riga.known() && (offset == TextSpan::npos || x->riga.offset() > offset)) offset = x->riga.offset();
  const char* somma = "the sum of the kilometric progressive positions";
  const std::int32_t td = in_32(std::int64_t{T.posizione} + D.posizione, offset, somma);
  if (in_32(std::int64_t{td} + U.posizione, offset, somma) == 0) {
    if (T.progressiva > 0) r = {T, D, U};
    if (D.progressiva > 0) r = {D, T, U};
    if (U.progressiva > 0) r = {U, D, T};
  } else {
    if (T.posizione > D.posizione && T.posizione > U.posizione)
      r = D.posizione > U.posizione ? std::array{T, D, U} : std::array{T, U, D};
    if (D.posizione > T.posizione && D.posizione > U.posizione)
      r = T.posizione > U.posizione ? std::array{D, T, U} : std::array{D, U, T};
    if (U.posizione > T.posizione && U.posizione > D.posizione)
      r = T.posizione > D.posizione ? std::array{U, T, D} : std::array{U, D, T};
  }

  auto vuoto = [](const Record& x) { return x.posizione == 0 && x.progressiva == 0 && x.flag == 0; };
  if (vuoto(r[0]) && vuoto(r[1]) && vuoto(r[2]) && !(vuoto(T) && vuoto(D) && vuoto(U)))
    avvisa_progressive_vuote(m, T.riga, D.riga, U.riga,
                             std::int64_t{T.posizione} + D.posizione + U.posizione == 0);

  for (int k = 0; k < 3; ++k) {
    const auto slot = static_cast<std::size_t>(voce::progressiva_tre + k);
    voce_percorso& v = m.tabella_percorso[slot];
    const Record& x = r[static_cast<std::size_t>(k)];
    const std::int32_t progressiva = in_32(std::int64_t{x.progressiva} + (x.flag == 1 ? 100 : 0),
                                           x.riga.offset(), "a kilometric progressive + 100");
    v.dato1 = x.posizione;
    v.dato2 = progressiva;
    v.dato3 = x.flag;
    m.origins.entries[slot] = x.riga;
  }
}

}  // namespace scenario
