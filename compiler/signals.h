// Signals, slowdowns and "abbattimento" points: single features placed into
// free track cells. Each refuses a taken cell through numero_errore. The
// caller has checked that the feature's own cells lie within the array.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace scenario {

struct CelleRallentamento {
  std::int64_t avviso, inizio, fine, preavviso;
};
CelleRallentamento celle_rallentamento(std::int32_t x, std::int32_t l);

// Error 16 when the signal's cell is taken: numero_errore is set and the
// result is false. Approach marks that would fall before cell 0 are skipped.
// `tempo` becomes 101 when it is 1 to 100.
bool memo_segnale(Modello& m, std::int32_t posizione, std::int32_t sx, std::int32_t s1,
                  std::int32_t s2, std::int32_t s3, std::int32_t rapp, std::int32_t dx,
                  std::int32_t d1, std::int32_t d2, std::int32_t d3, std::int32_t& tempo);

// Errors 17 to 20 for a taken warning, start, end or approach cell: the
// number is set and the result is false.
bool memo_rallentamento(Modello& m, std::int32_t x, std::int32_t v, std::int32_t l,
                        std::int32_t f_tt, std::int32_t f_ta, std::int32_t d_v);

// Cell of an "abbattimento" point: nearest(p / 50).
std::int64_t cella_abbattimento(std::int32_t posizione);
// False when the cell is taken (error 7, set by the caller).
bool memo_abbattimento(Modello& m, std::int32_t posizione, std::int32_t valore);

}  // namespace scenario
