#include "compiler/post_processing.h"

#include <initializer_list>

#include "compiler/diagnose.h"

namespace scenario {
namespace {

// One forward pass over the cells; every search and walk stays within 0..U.
class RoutePostProcessing {
 public:
  explicit RoutePostProcessing(Modello& m) : m_(m), U_(static_cast<std::int64_t>(m.celle.size()) - 1) {}

  void esegui() {
    for (std::int64_t i = 1; i <= U_ - 2; ++i) {
      if (kind(i) == tipo::avviso_rallentamento) regola_a(i);
      if (kind(i) == tipo::inizio_rallentamento) regola_b(i);
    }
  }

 private:
  cella& at(std::int64_t c) { return m_.celle[static_cast<std::size_t>(c)]; }
  std::uint8_t kind(std::int64_t c) { return at(c).tipo_cella; }
  // A cell beyond U counts as taken.
  bool free(std::int64_t c) { return c >= 0 && c <= U_ && libera(at(c)); }
  void marca(std::int64_t c) {
    note_feature(m_, c, RowRef{});
    at(c).tipo_cella = tipo::abbattimento_con_valore;
    at(c).valore_a = valore_protezione;
  }
  void abbassa(std::int64_t c) {
    at(c).valore_a = static_cast<std::int16_t>(minimo(valore_protezione, at(c).valore_a));
  }
  // Error `e` at cell c, placed at the row that wrote the feature of
  // `cella_riga`, with what holds each cell it tried.
  Diagnostic& errore(ScenarioError e, std::int64_t c, std::int64_t cella_riga,
                     std::initializer_list<std::int64_t> provate) {
    const CellOrigin* o = m_.origins.cell(cella_riga);
    Diagnostic& d = record_error(m_, e, o ? o->feature.span() : TextSpan{},
                                 static_cast<std::int32_t>(c * 50));
    for (const std::int64_t t : provate) note_cell(m_, d, t, "holds");
    return d;
  }

  // Signals up to 20 cells before a warning board get a point just before them.
  void regola_a(std::int64_t i) {
    for (std::int64_t a = 1; a <= 20 && i - a >= 3; ++a) {
      const std::int64_t k = i - a;
      if (kind(k) != tipo::segnale) continue;
      if (free(k - 1)) marca(k - 1);
      else if (free(k - 2)) marca(k - 2);
      else if (kind(k - 1) == tipo::abbattimento_con_valore) abbassa(k - 1);
      else if (kind(k - 2) == tipo::abbattimento_con_valore) abbassa(k - 2);
      else {
        Diagnostic& d = errore(ScenarioError::no_cell_before_signal, k, k, {k - 1, k - 2});
        note_cell(m_, d, i, "holds, " + std::to_string(a) + " cells after the signal,");
      }
    }
  }

  void regola_b(std::int64_t i) {
    // Three windows before the start, each with its first free cell marked.
    static constexpr std::int64_t finestre[3][3] = {{5, 6, 7}, {11, 12, 13}, {18, 19, 20}};
    for (const auto& f : finestre) {
      if (i <= f[2]) continue;
      bool marcata = false;
      for (std::int64_t d : f) {
        if (free(i - d)) {
          marca(i - d);
          marcata = true;
          break;
        }
      }
      if (!marcata) errore(ScenarioError::no_cell_in_window, i, i, {i - f[0], i - f[1], i - f[2]});
    }

    // Through a slow slowdown a point every 8 cells; for a faster one the
    // same walk only finds the end cell.
    const bool lento = at(i).valore_a < rallentamento_lento;
    std::int64_t j = i, n = 0;
    while (j < U_) {
      ++j;
      ++n;
      if (lento && n == 8) {
        if (free(j)) { marca(j); n = 0; }
        else if (free(j - 1)) { marca(j - 1); n = 1; }
        else if (free(j + 1)) { marca(j + 1); n = -1; }
        else errore(ScenarioError::no_cell_in_slowdown, j, i, {j - 1, j, j + 1});
      }
      if (kind(j) == tipo::fine_rallentamento) break;
    }

    // The first signal within 13 cells of the end gets a point before it.
    const std::int64_t s = j;
    for (std::int64_t k = s; k <= s + 12 && k <= U_; ++k) {
      if (kind(k) != tipo::segnale) continue;
      const std::int64_t p = k - 1;
      if (p > 0) {
        if (free(p)) marca(p);
        else if (free(p - 1)) marca(p - 1);
        else {
          Diagnostic& d = errore(ScenarioError::no_cell_in_slowdown, s, i, {p, p - 1});
          note_cell(m_, d, k, "holds, after the slowdown's end,");
        }
      }
      break;
    }
  }

  Modello& m_;
  std::int64_t U_;
};

}  // namespace

void post_process(Modello& m) { RoutePostProcessing(m).esegui(); }

}  // namespace scenario
