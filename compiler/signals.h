// Signals, slowdowns and "abbattimento" points: single features placed into
// free track cells. Each refuses a taken cell by returning a Refusal and
// writes nothing of the refused feature's own cell. The caller has checked
// that the feature's own cells lie within the array; `riga` is the row that
// places the feature, kept as the cells' writer.
#pragma once

#include <cstdint>
#include <optional>

#include "compiler/diagnose.h"
#include "model/model.h"

namespace scenario {

struct CelleRallentamento {
  std::int64_t avviso, inizio, fine, preavviso;
};
CelleRallentamento celle_rallentamento(std::int32_t x, std::int32_t l);

// Error 16 when the signal's cell is taken. Approach marks that would fall
// before cell 0 are skipped. `tempo` becomes 101 when it is 1 to 100.
std::optional<Refusal> memo_segnale(Modello& m, RowRef riga, std::int32_t posizione,
                                    std::int32_t sx, std::int32_t s1, std::int32_t s2,
                                    std::int32_t s3, std::int32_t rapp, std::int32_t dx,
                                    std::int32_t d1, std::int32_t d2, std::int32_t d3,
                                    std::int32_t& tempo);

// Errors 17 to 20 for a taken warning, start, end or approach cell. With 20
// the start, end and warning cells are already written.
std::optional<Refusal> memo_rallentamento(Modello& m, RowRef riga, std::int32_t x,
                                          std::int32_t v, std::int32_t l, std::int32_t f_tt,
                                          std::int32_t f_ta, std::int32_t d_v);

// Cell of an "abbattimento" point: nearest(p / 50).
std::int64_t cella_abbattimento(std::int32_t posizione);
// Error 7 when the cell is taken.
std::optional<Refusal> memo_abbattimento(Modello& m, RowRef riga, std::int32_t posizione,
                                         std::int32_t valore);

}  // namespace scenario
