// Values that compile without an error into something the author did not
// write: a time whose minutes carry into the hour, station times that run
// backwards, a mountain retyped by the one before it, and the errors whose
// plain cause (stations out of order, a slowdown longer than the line) the
// error number alone does not say. Warnings only: nothing here changes what
// the readers store.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace scenario {

// The time of station `indice` (already stored in its entry), read from
// the hours at `ore`, minutes at `minuti`, seconds at `secondi`.
void check_station_time(Modello& m, std::int32_t indice, TextSpan ore, std::int32_t h,
                        TextSpan minuti, std::int32_t min, TextSpan secondi, std::int32_t s);

// Error 22 has just been recorded for station `indice` at `p`: when the
// station before it in the text lies further along, the cause is order.
void explain_stations_too_close(Modello& m, std::int32_t indice, std::int32_t p);

// Error 15 has just been recorded for a slowdown at `x` whose end x + l lies
// past the track: the length is at fault, and the error goes there.
void explain_slowdown_too_long(Modello& m, TextSpan lunghezza, std::int32_t x, std::int32_t l);

// A mountain from `inizio` of type `tipo` (as written, markers taken off)
// that memo_montagna stores as `stored` because it starts within the
// mountain before it, which ends at `fine_prima`.
void check_mountain_overlap(Modello& m, RowRef riga, std::int32_t inizio, std::int32_t tipo,
                            std::int32_t stored, std::int32_t fine_prima, RowRef riga_prima);

}  // namespace scenario
