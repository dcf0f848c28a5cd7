#include "compiler/value_checks.h"

#include <cstdlib>
#include <string>

#include "compiler/diagnose.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

std::string two_digits(std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// Seconds of the day as h:mm:ss.
std::string clock_time(std::int64_t t) {
  const std::string sign = t < 0 ? "-" : "";
  t = std::llabs(t);
  return sign + std::to_string(t / 3600) + ":" + two_digits(t / 60 % 60) + ":" + two_digits(t % 60);
}

std::string written(std::int32_t h, std::int32_t min, std::int32_t s) {
  return std::to_string(h) + ", " + std::to_string(min) + ", " + std::to_string(s);
}

std::string station(const voce_percorso& v) { return "station " + printable(v.testo); }

// Half a day: a later time smaller by more than this is taken for a run
// past midnight, not for a time written wrong.
constexpr std::int32_t half_a_day = 12 * 3600;

std::string range_of(const ValueInfo& v) {
  return std::to_string(v.min) + " to " + std::to_string(v.max);
}

}  // namespace

void check_range(Modello& m, const RecordInfo& rec, std::size_t index, std::int64_t v, TextSpan at) {
  const ValueInfo& info = rec.values[index];
  if (v >= info.min && v <= info.max) return;
  std::string message = std::string(info.name) + " " + std::to_string(v) + " ";
  if (info.outside == Outside::wraps) {
    // Only the low bits are kept: the value within the range that has them.
    const std::int64_t span = std::int64_t{1} << info.bits();
    const std::int64_t stored = info.min + (((v - info.min) % span) + span) % span;
    message += "is stored as " + std::to_string(stored);
    if ((stored < 0) != (v < 0) && stored != 0 && v != 0) message += ", its sign turned";
    message += "; the range is " + range_of(info);
  } else if (info.outside == Outside::nothing) {
    message += "lies outside " + range_of(info) + ": it is stored as written, and what it means "
               "there is the simulator's";
  } else {
    return;  // refused by the reader already
  }
  Diagnostic& d = warn(m, "value-out-of-range", at, message);
  d.notes.push_back({TextSpan{}, "write a " + std::string(info.name) + " from " + range_of(info)});
}

void RepeatedRecords::seen(const RecordInfo& rec, TextSpan row) {
  if (rec.placement != Placement::none) return;
  TextSpan& last = last_[static_cast<std::size_t>(rec.id)];
  if (last.offset != TextSpan::npos) {
    Diagnostic& d = warn(m_, "repeated-record", row,
                         "'" + std::string(rec.keyword) + "' is given again: its values replace "
                         "those of the row before" +
                             (rec.id == RecordId::lunghezza
                                  ? ", and the track cells are made anew for this length"
                                  : ""));
    d.notes.push_back({last, "the earlier '" + std::string(rec.keyword) + "', whose values are lost"});
    d.notes.push_back({TextSpan{}, "keep one row of each; check the keyword of the other (a "
                                   "different number word, such as 'due' for 'uno')"});
  }
  last = row;
}

void check_repetition_stretch(Modello& m, std::int32_t inizio, std::int32_t fine, TextSpan at) {
  if (fine == 0 || inizio <= fine) return;
  Diagnostic& d = warn(m, "reversed-span", at,
                       "the signal repetition ends (" + std::to_string(fine) +
                           " m) before it starts (" + std::to_string(inizio) +
                           " m): it is stored so, a stretch that runs backwards");
  d.notes.push_back({TextSpan{}, "write the start first: " + std::to_string(fine) + ", " +
                                     std::to_string(inizio)});
}

void check_station_time(Modello& m, std::int32_t indice, TextSpan ore, std::int32_t h,
                        TextSpan minuti, std::int32_t min, TextSpan secondi, std::int32_t s) {
  const voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(indice)];
  const bool min_out = min < 0 || min > 59, s_out = s < 0 || s > 59;
  if (min_out || s_out) {
    Diagnostic& d = warn(m, "time-overflow", min_out ? minuti : secondi,
                         std::string(min_out ? "minutes " + std::to_string(min)
                                             : "seconds " + std::to_string(s)) +
                             " in the time of " + station(v) + " (" + written(h, min, s) +
                             ") carry over: the time is stored as " + clock_time(v.dato4));
    d.notes.push_back({TextSpan{}, "write minutes and seconds from 0 to 59"});
  }
  // A station without a time (0, 0, 0) is passed through: the times that
  // count are those of the stations that have one.
  if (v.dato4 == 0) return;
  for (std::int32_t e = indice - 1; e >= 1; --e) {
    const voce_percorso& prima = m.tabella_percorso[static_cast<std::size_t>(e)];
    if (prima.dato4 == 0) continue;
    // In 64 bits: a time written at the 32-bit limits is far from any other.
    if (v.dato4 < prima.dato4 && std::int64_t{prima.dato4} - v.dato4 <= half_a_day) {
      Diagnostic& d = warn(m, "time-backwards", ore,
                           "the time of " + station(v) + " (" + clock_time(v.dato4) +
                               ") is earlier than that of " + station(prima) + " before it (" +
                               clock_time(prima.dato4) + ")");
      d.notes.push_back({m.origins.entries[static_cast<std::size_t>(e)].span(),
                         station(prima) + " is here"});
      d.notes.push_back({TextSpan{}, "station times must grow along the route: check the hours "
                                     "and minutes of both"});
    }
    return;
  }
}

void explain_stations_too_close(Modello& m, std::int32_t indice, std::int32_t p) {
  Diagnostic* d = recorded_error(m);
  if (!d || indice < 2) return;
  const voce_percorso& prima = m.tabella_percorso[static_cast<std::size_t>(indice - 1)];
  if (prima.dato3 <= p) return;
  d->notes.insert(d->notes.begin(),
                  {TextSpan{}, "the stations are out of order: this one at " + std::to_string(p) +
                                   " m is written after " + station(prima) + " at " +
                                   std::to_string(prima.dato3) +
                                   " m; write the stations in position order"});
}

void explain_slowdown_too_long(Modello& m, TextSpan lunghezza, std::int32_t x, std::int32_t l) {
  Diagnostic* d = recorded_error(m);
  if (!d || x < 0 || l <= 0) return;
  const std::int64_t fine = std::int64_t{x} + l;
  d->at = lunghezza;
  d->notes.insert(d->notes.begin(),
                  {TextSpan{}, "the slowdown's length of " + std::to_string(l) +
                                   " m takes its end to " + std::to_string(fine) +
                                   " m, past the last track cell (" +
                                   std::to_string(std::int64_t{m.ultima_cella} * 50) +
                                   " m): shorten the slowdown"});
}

void explain_before_the_start(Modello& m) {
  Diagnostic* d = recorded_error(m);
  if (!d || m.numero_errore != numero(ScenarioError::beyond_the_track) || m.posizione_errore >= 0) return;
  const std::int32_t p = m.posizione_errore;
  d->message = "position before the start of the line (position " + std::to_string(p) + " m)";
  d->notes.insert(d->notes.begin(),
                  {TextSpan{}, "positions count from the line's start at 0 m: its track cell would lie "
                               "before cell 0 (did you mean " + std::to_string(-std::int64_t{p}) + " m?)"});
}

void check_mountain_overlap(Modello& m, RowRef riga, std::int32_t inizio, std::int32_t tipo,
                            std::int32_t stored, std::int32_t fine_prima, RowRef riga_prima) {
  if (inizio >= fine_prima || tipo == stored) return;
  // memo_montagna has already listed this mountain: the one before is the
  // previous in the list.
  const auto n = static_cast<std::size_t>(m.num_montagne);
  const std::int32_t inizio_prima = n > 1 ? m.montagne_inizio[n - 1] : inizio;
  const std::int32_t fine = m.montagne_fine[n];
  const bool no_cells = indice_vicino(inizio / 50.0) > indice_vicino(fine / 50.0 - 1);
  const std::string where =
      inizio < inizio_prima ? "before the mountain before it (which runs from " +
                                  std::to_string(inizio_prima) + " to " + std::to_string(fine_prima) + " m)"
                            : "inside the mountain before it (which ends at " +
                                  std::to_string(fine_prima) + " m)";
  Diagnostic& d = warn(m, "mountain-overlap", riga.span(),
                       "the mountain starts at " + std::to_string(inizio) + " m, " + where +
                           ": it is stored as type " + std::to_string(stored) + ", not " +
                           std::to_string(tipo) +
                           (no_cells ? ", and it ends at " + std::to_string(fine) +
                                           " m, so it covers no track cell of its own"
                                     : ", and its cells replace the earlier mountain's"));
  if (riga_prima.known()) d.notes.push_back({riga_prima.span(), "the mountain before it"});
  d.notes.push_back({TextSpan{}, inizio < inizio_prima
                                     ? "write the mountains in position order, each starting where "
                                       "the one before it ends"
                                     : "start the mountain where the one before it ends, or join the two"});
}

}  // namespace scenario
