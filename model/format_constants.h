// Fixed values of the compiled formats that every layer agrees on: the
// format marks, the run-out behind a route, the largest route, and how a
// route length becomes cells. Kept here so the compiler, the file reader
// and the renderer cannot drift apart.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace scenario {

inline constexpr std::int16_t marchio_percorso = 610;  // route entry 85, intero1
inline constexpr std::int16_t marchio_celle = 5121;    // cell 1, valore_a

inline constexpr std::int32_t lunghezza_massima = 1000000;  // the largest route length accepted
inline constexpr std::int32_t metri_oltre = 7000;  // run-out added behind every route
inline constexpr std::int32_t metri_per_cella = 50;

// The last cell index of a route `lunghezza` metres long: nearest((L + run-out)
// / 50), an exact half going to the even neighbour, done in whole numbers.
constexpr std::int64_t ultima_cella_per(std::int64_t lunghezza) {
  const std::int64_t t = lunghezza + metri_oltre;
  std::int64_t ultima = t / metri_per_cella;
  const std::int64_t resto = t % metri_per_cella;
  if (resto > 25 || (resto == 25 && ultima % 2 != 0)) ++ultima;
  return ultima;
}

// Route entries 1 to 80 hold stations (growing upward) and text boards
// (growing downward); a board sets nothing but its text.
inline bool e_stazione(const voce_percorso& v) {
  return v.tipo_voce != 0 || v.dato1 != 0 || v.dato2 != 0 || v.dato3 != 0 || v.byte1 != 0 ||
         v.intero1 != 0 || v.intero2 != 0 || v.intero3 != 0 || v.intero4 != 0 || v.intero5 != 0 ||
         v.byte2 != 0 || v.byte3 != 0 || v.byte4 != 0 || v.byte5 != 0 || v.dato4 != 0;
}

}  // namespace scenario
