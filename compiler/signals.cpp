#include "compiler/signals.h"

#include "compiler/diagnose.h"
#include "compiler/line_features.h"
#include "rows/records.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

cella& at(Modello& m, std::int64_t i) { return m.celle[static_cast<std::size_t>(i)]; }

}  // namespace

CelleRallentamento celle_rallentamento(std::int32_t x, std::int32_t l) {
  const double avviso = (x - static_cast<double>(slowdown_warning_before)) / 50;
  return {indice_vicino(avviso + 1), indice_vicino(x / 50.0 + 1),
          indice_vicino((static_cast<double>(x) + l) / 50 + 1), indice_vicino(avviso)};
}

std::optional<Refusal> memo_segnale(Modello& m, RowRef riga, std::int32_t posizione,
                                    std::int32_t sx, std::int32_t s1, std::int32_t s2,
                                    std::int32_t s3, std::int32_t rapp, std::int32_t dx,
                                    std::int32_t d1, std::int32_t d2, std::int32_t d3,
                                    std::int32_t& tempo) {
  const std::int64_t i = cella_di(posizione);
  cella& c = at(m, i);
  if (!libera(c)) return Refusal{ScenarioError::signal_cell_taken, i};
  note_feature(m, i, riga);
  // The codes keep the low 16 bits, whatever the row held.
  c.tipo_cella = tipo::segnale;
  c.valore_d = low_16(std::int64_t{rapp} * 10 + std::int64_t{sx} * 3 + dx);
  c.valore_a = low_16(std::int64_t{s1} * 10 + d1);
  c.valore_b = low_16(std::int64_t{s2} * 10 + d2);
  c.valore_c = low_16(std::int64_t{s3} * 10 + d3);
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  c.tempo_segnale = sx == 2 ? low_byte(tempo) : 0;
  const int codice = (low_byte(sx) * 3 + low_byte(dx)) * 10;
  std::int64_t marks[signal_marks];
  for (int k = 1; k <= signal_marks; ++k) marks[k - 1] = i - signal_mark_step * k;
  note_marks(m, riga, marks);
  for (int k = 1; k <= signal_marks; ++k) {
    const std::int64_t j = i - signal_mark_step * k;
    if (j >= 0) at(m, j).preavviso = low_byte(codice + k);
  }
  return std::nullopt;
}

std::optional<Refusal> memo_rallentamento(Modello& m, RowRef riga, std::int32_t x,
                                          std::int32_t v, std::int32_t l, std::int32_t f_tt,
                                          std::int32_t f_ta, std::int32_t d_v) {
  const CelleRallentamento k = celle_rallentamento(x, l);
  const bool avviso = x > slowdown_warning_above;
  if (avviso) {
    if (!libera(at(m, k.avviso))) return Refusal{ScenarioError::warning_cell_taken, k.avviso};
  } else {
    f_ta = 0;
  }
  if (!libera(at(m, k.inizio))) return Refusal{ScenarioError::slowdown_start_cell_taken, k.inizio};
  if (!libera(at(m, k.fine))) return Refusal{ScenarioError::slowdown_end_cell_taken, k.fine};
  // Start after end: with a length of 0 both are one cell, which stays a start.
  for (auto [i, kind] : {std::pair{k.fine, tipo::fine_rallentamento},
                         std::pair{k.inizio, tipo::inizio_rallentamento}}) {
    note_feature(m, i, riga);
    cella& c = at(m, i);
    c.tipo_cella = kind;
    if (d_v != 0) c.valore_b = low_16(d_v);
  }
  if (avviso) {
    note_feature(m, k.avviso, riga);
    cella& w = at(m, k.avviso);
    w.tipo_cella = tipo::avviso_rallentamento;
    if (d_v != 0) w.valore_b = low_16(d_v);
    w.valore_a = low_16(v);
  }
  for (std::int64_t i : {k.inizio, k.fine}) {
    at(m, i).valore_a = low_16(v);
    at(m, i).valore_c = low_16(f_tt);
  }
  if (f_ta != 0) {
    for (int j = 0; j < slowdown_approach_marks; ++j) {
      if (!libera(at(m, k.preavviso - j)))
        return Refusal{ScenarioError::approach_cells_taken, k.preavviso - j};
    }
    for (int j = 0; j < slowdown_approach_marks; ++j) {
      note_feature(m, k.preavviso - j, riga);
      cella& c = at(m, k.preavviso - j);
      c.tipo_cella = tipo::preavviso_rallentamento;
      c.valore_a = static_cast<std::int16_t>(j + 1);
      if (d_v != 0) c.valore_b = static_cast<std::int16_t>(j + 1);
    }
  }
  return std::nullopt;
}

std::int64_t cella_abbattimento(std::int32_t posizione) { return indice_vicino(posizione / 50.0); }

std::optional<Refusal> memo_abbattimento(Modello& m, RowRef riga, std::int32_t posizione,
                                         std::int32_t valore) {
  const std::int64_t i = cella_abbattimento(posizione);
  cella& c = at(m, i);
  if (!libera(c)) return Refusal{ScenarioError::abbattimento_cell_taken, i};
  note_feature(m, i, riga);
  if (valore > 0) {
    c.tipo_cella = tipo::abbattimento_con_valore;
    c.valore_a = low_16(valore);
  } else {
    c.tipo_cella = tipo::abbattimento;
  }
  return std::nullopt;
}

}  // namespace scenario
