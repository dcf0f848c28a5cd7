// The signalling rules applied to the track cells once both descriptions are
// read: "abbattimento" points of value 180 protect signals before slowdown
// warning boards (rule A), the approach to every slowdown start, the inside
// of slow slowdowns and the first signal after them (rule B). A point that
// finds no free cell records error 11, 12 or 13 and the pass goes on.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace scenario {

inline constexpr std::int16_t valore_protezione = 180;
inline constexpr std::int16_t rallentamento_lento = 110;  // slowdowns below this get inner points

// The smaller of x and y (x when equal).
inline std::int32_t minimo(std::int32_t x, std::int32_t y) { return x > y ? y : x; }

void post_process(Modello& m);

}  // namespace scenario
