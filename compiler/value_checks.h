// Values that compile without an error into something the author did not
// write: a value outside the range the record table gives it, a record
// given twice, a stretch that ends before it starts, a time whose minutes
// carry into the hour, station times that run backwards, a mountain retyped
// by the one before it, and the errors whose
// plain cause (stations out of order, a slowdown longer than the line) the
// error number alone does not say. Warnings only: nothing here changes what
// the readers store.
#pragma once

#include <array>
#include <cstdint>

#include "rows/records.h"
#include "model/model.h"

namespace scenario {

// Value `index` of `rec`, read as `v` at `at`: outside the range the table
// gives it but stored all the same (cut to its width, or as read), it is
// said together with what is stored.
void check_range(Modello& m, const RecordInfo& rec, std::size_t index, std::int64_t v, TextSpan at);

// Records that set values once (the general section, the train's header
// rows): a later row of the same record replaces the earlier one's values.
class RepeatedRecords {
 public:
  explicit RepeatedRecords(Modello& m) : m_(m) {}
  // Row `row` is read as `rec`.
  void seen(const RecordInfo& rec, TextSpan row);

 private:
  Modello& m_;
  std::array<TextSpan, record_count> last_{};
};

// The signal repetition stretch from `inizio` to `fine` (not 0), read at `at`.
void check_repetition_stretch(Modello& m, std::int32_t inizio, std::int32_t fine, TextSpan at);

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

// Error 15 recorded at a negative position: the row lies before the line's
// start, not near its end, and the message says so.
void explain_before_the_start(Modello& m);

// A mountain from `inizio` of type `tipo` (as written, markers taken off)
// that memo_montagna stores as `stored` because it starts within the
// mountain before it, which ends at `fine_prima`.
void check_mountain_overlap(Modello& m, RowRef riga, std::int32_t inizio, std::int32_t tipo,
                            std::int32_t stored, std::int32_t fine_prima, RowRef riga_prima);

}  // namespace scenario
