#include "compiler/plausibility.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "compiler/diagnose.h"
#include "compiler/rounding.h"
#include "compiler/row_scan.h"
#include "compiler/signals.h"
#include "compiler/timetable.h"

namespace scenario {
namespace {

std::string metres(std::int64_t v) { return std::to_string(v) + " m"; }
std::string kmh(std::int64_t v) { return std::to_string(v) + " km/h"; }

// A duration as an author reads a timetable: "4 min 5 s".
std::string duration(std::int64_t s) {
  if (s < 60) return std::to_string(s) + " s";
  return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
}

// The highest speed limit over a run of cells in constant time (a sparse
// table), so that slowdowns of any length cost no more than the cells.
class HighestLimit {
 public:
  explicit HighestLimit(const std::vector<cella>& celle) {
    const std::size_t n = celle.size();
    levels_.emplace_back(n);
    for (std::size_t i = 0; i < n; ++i) levels_[0][i] = celle[i].vel_limite;
    for (std::size_t w = 1; 2 * w <= n; w *= 2) {
      const std::vector<std::uint8_t>& below = levels_.back();
      std::vector<std::uint8_t> level(n - 2 * w + 1);
      for (std::size_t i = 0; i < level.size(); ++i) level[i] = std::max(below[i], below[i + w]);
      levels_.push_back(std::move(level));
    }
  }
  // In km/h over cells a to b, both taken into the cells; 0 for none.
  std::int32_t over(std::int64_t a, std::int64_t b) const {
    const auto n = static_cast<std::int64_t>(levels_[0].size());
    if (n == 0) return 0;
    a = std::clamp<std::int64_t>(a, 0, n - 1);
    b = std::clamp<std::int64_t>(b, 0, n - 1);
    if (a > b) return 0;
    std::size_t k = 0;
    while ((std::int64_t{2} << k) <= b - a + 1) ++k;
    const std::vector<std::uint8_t>& l = levels_[k];
    const auto w = std::int64_t{1} << k;
    return std::max(l[static_cast<std::size_t>(a)], l[static_cast<std::size_t>(b - w + 1)]) * 5;
  }

 private:
  std::vector<std::vector<std::uint8_t>> levels_;
};

struct Context {
  Modello& m;
  const RowScan& rows;
  std::vector<std::size_t> stations;  // rows of the stations; station k is route entry k + 1

  std::int32_t route_length() const { return m.tabella_percorso[voce::treno].dato2; }
  const voce_percorso& entry(std::size_t k) const { return m.tabella_percorso[k + 1]; }
  std::string station(std::size_t k) const { return "station " + printable(entry(k).testo); }

  // The station whose stretch holds p, if any.
  std::optional<std::size_t> station_over(std::int64_t p) const {
    for (std::size_t k = 0; k < stations.size(); ++k)
      if (entry(k).dato1 <= p && p <= entry(k).dato2) return k;
    return std::nullopt;
  }

  Diagnostic& warn_at(std::string_view code, TextSpan at, std::string message) {
    return warn(m, code, at, std::move(message));
  }
};

Fix replace(std::string title, TextSpan at, std::string by) {
  return {std::move(title), {{at, std::move(by)}}};
}

// Lengths of zero or below: the records that have one.
void check_lengths(Context& c) {
  std::size_t k = 0;
  for (const ScannedRow& r : c.rows.rows) {
    const RecordId id = r.record->id;
    if (id == RecordId::rallentamento) {
      const std::int32_t x = c.rows.number(r, 0), l = c.rows.number(r, 2);
      if (l > 0) continue;
      const CelleRallentamento cells = celle_rallentamento(x, l);
      std::string what =
          l == 0 ? "the slowdown at " + metres(x) + " has a length of 0: its start and end fall in one "
                   "track cell, which keeps the start, so no end is stored and the protection "
                   "points placed from its start run on to the end of the track"
                 : "the slowdown at " + metres(x) + " has a length of " + metres(l) +
                       ": its end is stored in " + cell_name(cells.fine) + ", before its start in " +
                       cell_name(cells.inizio);
      Diagnostic& d = c.warn_at("non-positive-length", c.rows.value(r, 2), std::move(what));
      d.notes.push_back({TextSpan{}, "give the slowdown's length in metres, above 0"});
      if (l < 0) d.fixes.push_back(replace("write the length " + std::to_string(-std::int64_t{l}),
                                           c.rows.value(r, 2), std::to_string(-std::int64_t{l})));
    } else if (id == RecordId::curva) {
      const std::int32_t n = c.rows.number(r, 1);
      if (n > 0) continue;
      Diagnostic& d = c.warn_at("non-positive-length", c.rows.value(r, 1),
                                "the curve at " + metres(c.rows.number(r, 0)) + " has a length of " +
                                    metres(n) + ": it bends no point of the line, which stays straight");
      d.notes.push_back({TextSpan{}, "give the curve's length in metres, above 0"});
    } else if (id == RecordId::stazione) {
      const std::size_t s = k++;
      const std::int32_t l = c.rows.number(r, 2);
      if (l > 0 || s >= c.stations.size()) continue;
      Diagnostic& d = c.warn_at("non-positive-length", c.rows.value(r, 2),
                                c.station(s) + " has a length of " + metres(l) +
                                    ": its stretch is stored from " + metres(c.entry(s).dato1) +
                                    " to " + metres(c.entry(s).dato2));
      d.notes.push_back({TextSpan{}, "give the station's length in metres, a multiple of 100 above 0"});
    }
  }
}

bool positional(RecordId id) {
  switch (id) {
    case RecordId::pendenza: case RecordId::curva: case RecordId::montagna:
    case RecordId::indicatori: case RecordId::cartello: case RecordId::velocita:
    case RecordId::aderenza: case RecordId::segnale: case RecordId::rallentamento:
    case RecordId::abbattimento:
      return true;
    default: return false;
  }
}

// A position written in kilometres or with its sign slipped: it breaks the
// order of the rows of its record, lands where it cannot be meant (before
// the line's start, or inside the stretch of a station), and the position
// meant (x 1000, or without its sign) fits between its neighbours. Texts
// that are merely unsorted pass: all three must hold.
void check_positions(Context& c) {
  std::array<std::vector<const ScannedRow*>, record_count> by_record;
  for (const ScannedRow& r : c.rows.rows)
    if (positional(r.record->id)) by_record[static_cast<std::size_t>(r.record->id)].push_back(&r);
  for (const std::vector<const ScannedRow*>& same : by_record) {
    for (std::size_t i = 1; i < same.size(); ++i) {
      const ScannedRow& r = *same[i];
      const std::int64_t p = c.rows.number(r, 0), before = c.rows.number(*same[i - 1], 0);
      if (p >= before || p == 0) continue;
      const std::int64_t meant = p > 0 ? p * 1000 : -p;
      const bool fits = before <= meant && meant <= c.route_length() &&
                        (i + 1 == same.size() || meant <= c.rows.number(*same[i + 1], 0));
      if (!fits) continue;
      std::string where;
      if (p < 0) {
        where = "lies before the line's start";
      } else if (const auto k = c.station_over(p)) {
        where = "lands inside the stretch of " + c.station(*k) + " (" + metres(c.entry(*k).dato1) +
                " to " + metres(c.entry(*k).dato2) + ")";
      } else {
        continue;
      }
      const TextSpan at = c.rows.value(r, 0);
      // This says more than the order alone.
      drop_diagnostics(c.m, [&](const Diagnostic& d) {
        return d.code == "out-of-order" && d.at.text == at.text && d.at.offset == at.offset;
      });
      const std::string title(r.record->title);
      Diagnostic& d = c.warn_at(
          "misplaced-position", at,
          "the " + title + " at " + metres(p) + " comes after the one at " + metres(before) + " and " +
              where + ": did you mean " + metres(meant) + "? It is stored at " + metres(p) +
              (p > 0 ? ", read as metres where kilometres seem meant" : ", its sign perhaps a slip"));
      d.notes.push_back({c.rows.keyword(*same[i - 1]), "the " + title + " before it"});
      d.fixes.push_back(replace("write " + std::to_string(meant), at, std::to_string(meant)));
    }
  }
}

std::int64_t in_steps_of_5(std::int64_t v) { return static_cast<std::int64_t>(nearest(static_cast<double>(v) / 5.0)) * 5; }

void check_steps_of_5(Context& c, const ScannedRow& r, std::size_t i, std::string_view what) {
  const std::int64_t v = c.rows.number(r, i);
  if (v < 0 || v % 5 == 0 || v > 5 * 255) return;
  Diagnostic& d = c.warn_at("speed-not-in-steps", c.rows.value(r, i),
                            std::string(what) + " of " + kmh(v) + " is stored as " +
                                kmh(in_steps_of_5(v)) + ": speeds are kept in steps of 5 km/h");
  d.fixes.push_back(replace("write " + std::to_string(in_steps_of_5(v)), c.rows.value(r, i),
                            std::to_string(in_steps_of_5(v))));
}

// Speeds: above what a railway can mean, not in steps of 5, a slowdown
// that slows nothing.
void check_speeds(Context& c) {
  std::optional<HighestLimit> limits;  // made for the first slowdown
  for (const ScannedRow& r : c.rows.rows) {
    const RecordId id = r.record->id;
    if (id == RecordId::indicatori) {
      for (std::size_t i = 5; i <= 7; ++i) check_steps_of_5(c, r, i, std::string("a d-set speed"));
    } else if (id == RecordId::velocita) {
      const std::int32_t p = c.rows.number(r, 0), s = c.rows.number(r, 1);
      if (s > speed_ceiling) {
        std::string cause;
        if (p >= 0 && p <= speed_ceiling && s <= c.route_length())
          cause = ": are position and speed swapped (a limit of " + kmh(p) + " from " + metres(s) + ")?";
        else if (s % 10 == 0 && s / 10 <= speed_ceiling)
          cause = ": is there one zero too many (" + kmh(s / 10) + ")?";
        Diagnostic& d = c.warn_at("speed-too-high", c.rows.value(r, 1),
                                  "a speed limit of " + kmh(s) + " from " + metres(p) +
                                      " is more than any railway line means (above " +
                                      kmh(speed_ceiling) + ")" + cause);
        d.notes.push_back({TextSpan{}, "the row reads position, speed"});
      } else {
        check_steps_of_5(c, r, 1, "a speed limit");
      }
    } else if (id == RecordId::rallentamento) {
      const std::int32_t x = c.rows.number(r, 0), v = c.rows.number(r, 1), l = c.rows.number(r, 2);
      if (v > speed_ceiling) {
        std::string cause;
        if (l > 0 && l <= speed_ceiling)
          cause = ": are its speed and length swapped (" + kmh(l) + " over " + metres(v) + ")?";
        else if (x > 0 && x <= speed_ceiling)
          cause = ": are its position and speed swapped (" + kmh(x) + " from " + metres(v) + ")?";
        Diagnostic& d = c.warn_at("speed-too-high", c.rows.value(r, 1),
                                  "a slowdown to " + kmh(v) + " is more than any railway line means "
                                  "(above " + kmh(speed_ceiling) + ")" + cause);
        d.notes.push_back({TextSpan{}, "the row reads x (position), v (speed), l (length), ..."});
        continue;
      }
      if (v <= 0) continue;
      // The highest limit over its cells: a slowdown not below it slows nothing.
      const CelleRallentamento cells = celle_rallentamento(x, std::max(l, 0));
      if (!limits) limits.emplace(c.m.celle);
      const std::int32_t highest = limits->over(cells.inizio, cells.fine);
      if (highest == 0 || v < highest) continue;
      std::string cause;
      if (l > 0 && l < highest && l % 5 == 0)
        cause = "; are its speed and length swapped (" + kmh(l) + " over " + metres(v) + ")?";
      Diagnostic& d = c.warn_at("slowdown-not-slower", c.rows.value(r, 1),
                                "the slowdown to " + kmh(v) + " at " + metres(x) +
                                    " is not below the speed limit where it lies (" + kmh(highest) +
                                    "): a slowdown never raises the speed, so this one slows "
                                    "nothing" + cause);
      d.notes.push_back({TextSpan{}, "give a slowdown a speed below the limit of its stretch"});
    }
  }
}

// Times: hours of a day, repeated station times, a clock after the first
// station's time, a stretch faster than the train's limits allow.
void check_timetable(Context& c, const Timetable& tt) {
  const ScannedRow* clock = nullptr;
  for (const ScannedRow& r : c.rows.rows) {
    const bool station = r.record->id == RecordId::stazione;
    if (r.record->id == RecordId::orologio) clock = &r;
    if (!station && r.record->id != RecordId::orologio) continue;
    const std::size_t hours = station ? 13 : 0;
    const std::int32_t h = c.rows.number(r, hours);
    if (h < 24) continue;
    const std::int64_t t = (std::int64_t{h} * 60 + c.rows.number(r, hours + 1)) * 60 +
                           c.rows.number(r, hours + 2);
    Diagnostic& d = c.warn_at("hours-24-or-more", c.rows.value(r, hours),
                              std::string(station ? "the station's" : "the clock's") + " time " +
                                  clock_text(t) + " has " + std::to_string(h) + " hours: it is stored " +
                                  "as " + std::to_string(t) + " s, past the end of the day");
    d.notes.push_back({TextSpan{}, "a time past midnight is written from 0 hours: " +
                                       std::to_string(h % 24) + " for " + std::to_string(h)});
    d.fixes.push_back(replace("write " + std::to_string(h % 24), c.rows.value(r, hours),
                              std::to_string(h % 24)));
  }

  const auto row_of = [&](const TimedStation& s) -> const ScannedRow& { return c.rows.rows[s.row]; };
  const auto name_of = [&](const TimedStation& s) {
    return "station " + printable(c.m.tabella_percorso[static_cast<std::size_t>(s.entry)].testo);
  };
  for (const Stretch& s : tt.stretches) {
    const TextSpan at = c.rows.value(row_of(s.to), 13);
    if (s.given_s == 0) {
      Diagnostic& d = c.warn_at("time-repeated", at,
                                "the time of " + name_of(s.to) + " (" + clock_text(s.to.time % seconds_a_day) +
                                    ") is the same as that of " + name_of(s.from) + ", " +
                                    metres(s.distance_m) + " before it: no train runs a stretch in no time");
      d.notes.push_back({c.rows.keyword(row_of(s.from)), name_of(s.from) + " is here"});
      d.notes.push_back({TextSpan{}, "station times must grow along the route"});
      continue;
    }
    if (s.given_s < 0 || !s.least_s || s.given_s >= *s.least_s) continue;
    const std::int64_t average = s.distance_m * 36 / (s.given_s * 10);
    Diagnostic& d = c.warn_at(
        "timetable-too-fast", at,
        "the timetable gives " + duration(s.given_s) + " from " + name_of(s.from) + " to " +
            name_of(s.to) + " (" + metres(s.distance_m) + "), an average of " + kmh(average) +
            ", but even at the train's speed limits and slowdowns the stretch takes at least " +
            duration(*s.least_s) + ": no train can keep this time");
    d.notes.push_back({c.rows.keyword(row_of(s.from)), name_of(s.from) + " is here"});
    d.notes.push_back({TextSpan{}, "give the later station a later time, or check both stations' "
                                   "positions and the speed limits between them"});
  }

  // The clock against the first station with a time, read across midnight
  // as station times are: the clock counts on the day that puts it within
  // half a day before or after the station, so a clock at 23:58 is 7
  // minutes early for a first station at 0:05, and one at 0:10 is 20
  // minutes late for a first station at 23:50.
  if (clock && !tt.timed.empty()) {
    const voce_percorso& v = c.m.tabella_percorso[voce::ripetizione];
    const TimedStation& first = tt.timed.front();
    const std::int64_t t = (std::int64_t{v.intero3} * 60 + v.intero4) * 60 + v.intero5;
    const std::int64_t shifted = t - first.time + seconds_a_day / 2;
    const std::int64_t late =
        (shifted % seconds_a_day + seconds_a_day) % seconds_a_day - seconds_a_day / 2;
    if (late > 0) {
      Diagnostic& d = c.warn_at(
          "clock-after-first-station", c.rows.value(*clock, 0),
          "the clock starts at " + clock_text(t) + ", " + duration(late) + " after the time of " +
              name_of(first) + " (" + clock_text(first.time) + "), the first station with a time: " +
              "the train is late from the start");
      d.notes.push_back({c.rows.keyword(row_of(first)), name_of(first) + " is here"});
      d.notes.push_back({TextSpan{}, "set the clock at or before " + clock_text(first.time) +
                                         ", no more than 12 hours before it: "
                                         "a clock further away counts from the day after, as "
                                         "a run past midnight does"});
    }
  }
}

// A train text that gives any row of the train's header (cars, braked
// mass, sand, clock) describes a train to run, even with the rest of the
// header left out: a section it lacks leaves the train with nothing there.
// Texts without a header row (a fragment to try something) are not judged.
void check_sections(Context& c) {
  const auto given = [&](RecordId id) { return c.rows.given[static_cast<std::size_t>(id)]; };
  if ((!given(RecordId::vetture) && !given(RecordId::frenata) && !given(RecordId::sabbia) &&
       !given(RecordId::orologio)) ||
      c.rows.treno_generale == TextSpan::npos)
    return;
  const TextSpan at{Text::treno, c.rows.treno_generale, generale_field.size()};
  const auto missing = [&](RecordId id, std::string what) {
    if (given(id)) return;
    Diagnostic& d = c.warn_at("missing-section", at, "the train has no '" +
                                                         std::string(record(id).keyword) +
                                                         "' rows: " + std::move(what));
    d.notes.push_back({TextSpan{}, "add its rows, as 'scenarioc texts' writes them for the "
                                   "embedded scenario"});
  };
  missing(RecordId::stazione, "it has no stations and no timetable");
  missing(RecordId::velocita, "its speed limit is 0 in every track cell, so it cannot move");
  missing(RecordId::aderenza, "its adhesion is 0 in every track cell");
}

// A row whose value field is empty (a comma at the line's end, two commas
// in a row) while a lone number stands right after it: the empty field
// reads as 0 and the number is skipped as an unknown keyword.
void check_empty_fields(Context& c) {
  for (const ScannedRow& r : c.rows.rows) {
    if (r.lone_number_after == TextSpan::npos) continue;
    const std::span<const ScannedValue> vs = c.rows.values_of(r);
    std::size_t empty = vs.size();
    for (std::size_t i = 0; i < vs.size(); ++i)
      if (!r.record->values[i].is_text() && vs[i].span.length == 0) empty = i;
    if (empty == vs.size()) continue;
    const std::string_view lone = c.rows.source(r.text).substr(r.lone_number_after, r.lone_number_length);
    // The reader's eye counts the lone number as a value too many: this says why.
    drop_diagnostics(c.m, [&](const Diagnostic& d) {
      return d.code == "extra-values" && d.at.text == r.text && d.at.offset == r.lone_number_after;
    });
    Diagnostic& d = c.warn_at(
        "empty-field", c.rows.value(r, empty),
        "the " + std::string(r.record->values[empty].name) + " of '" + std::string(r.record->name) +
            "' is empty and reads as 0, and the " + std::string(lone) +
            " after it is skipped as an unknown field: the row is stored with " +
            std::string(r.record->values[empty].name) + " 0");
    d.notes.push_back({{r.text, r.lone_number_after, r.lone_number_length}, "skipped here"});
    d.notes.push_back({TextSpan{}, "write the number in its field, on the row's own line, with "
                                   "no comma before it left empty"});
  }
}

void check_station_names(Context& c) {
  for (std::size_t k = 0; k < c.stations.size(); ++k) {
    const ScannedRow& r = c.rows.rows[c.stations[k]];
    if (!c.rows.text_value(r, 16).empty()) continue;
    Diagnostic& d = c.warn_at("empty-name", c.rows.value(r, 16),
                              "the station at " + metres(c.rows.number(r, 0)) +
                                  " has no name: it is stored with an empty name, which the "
                                  "simulator shows as nothing");
    d.notes.push_back({TextSpan{}, "write the station's name as the row's last value"});
  }
}

// A board's text cut at a comma: the reader's eye took the rest for values
// too many; say it as a station's cut name is said.
void check_board_texts(Context& c) {
  for (const ScannedRow& r : c.rows.rows) {
    if (r.record->id != RecordId::cartello) continue;
    const TextSpan text = c.rows.value(r, 1);
    const std::string_view source = c.rows.source(r.text);
    const std::size_t line_end = source.find_first_of("\r\n", text.offset);
    const std::size_t end = line_end == std::string_view::npos ? source.size() : line_end;
    for (Diagnostic& d : c.m.diagnostics) {
      if (d.code != "extra-values" || d.at.text != r.text || d.at.offset <= text.offset ||
          d.at.offset >= end)
        continue;
      const std::string_view kept = c.rows.text_value(r, 1);
      const std::string_view rest = source.substr(d.at.offset, d.at.length);
      const std::string_view whole = source.substr(text.offset, d.at.offset + d.at.length - text.offset);
      d.code = "board-text-cut";
      d.at = text;
      d.message = "the board's text ends at the comma: \"" + printable(kept) + "\" is kept, and \"" +
                  printable(rest) + "\" is read as keywords";
      d.notes = {{TextSpan{}, "write the text in double quotes: \"" + printable(whole) + "\""}};
      d.fixes.clear();
      if (whole.find('"') == std::string_view::npos)
        d.fixes.push_back(replace("quote the text", {r.text, text.offset, whole.size()},
                                  "\"" + std::string(whole) + "\""));
      break;
    }
  }
}

}  // namespace

void check_plausibility(Modello& m, const RowList& linea, const RowList& treno) {
  const RowScan rows = scan_rows(linea, treno);
  Context c{m, rows, {}};
  for (std::size_t i = 0; i < rows.rows.size(); ++i)
    if (rows.rows[i].record->id == RecordId::stazione && c.stations.size() + 1 < voce::primo_cartello)
      c.stations.push_back(i);
  check_lengths(c);
  check_positions(c);
  check_speeds(c);
  check_timetable(c, plan_timetable(m, rows));
  check_sections(c);
  check_empty_fields(c);
  check_station_names(c);
  check_board_texts(c);
}

}  // namespace scenario
