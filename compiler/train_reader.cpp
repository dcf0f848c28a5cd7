// The train half of memorizza_dati: header values, the speed-limit and
// adhesion profiles, stations, signals, slowdowns and "abbattimento" points.
#include <limits>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/line_features.h"
#include "compiler/reader.h"
#include "rows/records.h"
#include "rows/row_list.h"
#include "compiler/rounding.h"
#include "compiler/row_loop.h"
#include "compiler/row_watch.h"
#include "compiler/signals.h"
#include "compiler/stations.h"
#include "compiler/text_layout.h"
#include "compiler/value_checks.h"
#include "rows/text_match.h"
#include "compiler/value_kinds.h"

namespace scenario {
namespace {

// A profile laid over the cells step by step: each step's value applies from
// cell nearest(p / 50) on. Writing never passes cell N.
// `origins` keeps the rows behind the bytes.
struct ProfileRun {
  std::int64_t next_cell = 0;  // first cell not yet written
  std::uint8_t carried = 0;    // the byte that applies from `next_cell` on
  RowRef row;                  // the row of `carried`

  template <typename Member>
  void step(Modello& m, std::int32_t p, std::uint8_t value, RowRef value_row, Member member,
            ProfileRuns& origins) {
    const std::int64_t n = indice_vicino(p / 50.0);
    if (n > 0) {
      if (next_cell < m.ultima_cella) origins.add(next_cell, row);
      do {
        if (next_cell >= m.ultima_cella) break;
        m.celle[static_cast<std::size_t>(next_cell)].*member = carried;
        ++next_cell;
      } while (next_cell < n);
    }
    carried = value;
    row = value_row;
  }

  // The last value into the cells up to N - 3; at least the cell at the index.
  template <typename Member>
  void complete(Modello& m, Member member, ProfileRuns& origins) {
    origins.add(next_cell, row);
    do {
      m.celle[static_cast<std::size_t>(next_cell)].*member = carried;
      ++next_cell;
    } while (next_cell < std::int64_t{m.ultima_cella} - 2);
  }
};

// Entries 81 to 83 come from the line description: their positions and
// progressives must be multiples of 50 (error 2, checked once the train is
// read).
void check_progressives(Modello& m) {
  Diagnostic* d = nullptr;
  for (int i = voce::progressiva_tre; i <= voce::progressiva_uno; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const voce_percorso& v = m.tabella_percorso[k];
    if (v.dato1 % 50 == 0 && v.dato2 % 50 == 0) continue;
    const std::string what = "position " + std::to_string(v.dato1) + " m and progressive " +
                             std::to_string(v.dato2) + " m" +
                             (v.dato3 == 1 ? " (with the flag's 100 m)" : "");
    if (!d) {
      d = &record_error(m, ScenarioError::progressive_not_multiple_of_50,
                        m.origins.entries[k].span());
      d->notes.push_back({TextSpan{}, "this record gives " + what});
    } else {
      d->notes.push_back({m.origins.entries[k].span(), "so does this one: " + what});
    }
  }
}

// The train reader's state while it reads one text.
struct TrainReading {
  Modello& m;
  const RowList& rows;
  RowWatch& watch;
  DescriptionText& source;
  std::int32_t board_pointer;
  std::size_t row = 0;  // the row in hand
  ProfileRun speed{}, adhesion{};
  std::int32_t station = 1;
  RepeatedRecords repeated{m};

  voce_percorso& entry(int i) { return m.tabella_percorso[static_cast<std::size_t>(i)]; }
  std::int32_t number(std::size_t i) const { return rows.number(row, i); }
  std::int16_t small(std::size_t i) const {
    const std::int32_t v = number(i);  // first: it throws where the row's values fail
    return small_value(v, rows.values_of(row)[i].offset);
  }

  // (p + 100) / 50 beyond the last cell, or a feature cell before cell 0 or
  // past the last: the row is refused with error 15 and the scan ends.
  bool beyond_track(std::int32_t p, std::int64_t lowest_cell, std::int64_t highest_cell) {
    if (!oltre_le_celle(m, p, watch.row_ref().offset()) && lowest_cell >= 0 &&
        highest_cell <= m.ultima_cella)
      return false;
    Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
    return true;
  }

  // A refused feature ends the reading.
  RowOutcome refuse(const Refusal& refusal, std::int32_t p) {
    source.discard();
    Diagnostic& d = record_refusal(m, refusal, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
    return RowOutcome::abandon;
  }
};

RowOutcome read_braked_mass(TrainReading& t) {
  t.entry(voce::treno).dato1 = t.number(0);
  return RowOutcome::next;
}

RowOutcome read_cars(TrainReading& t) {
  t.entry(voce::treno).dato3 = t.number(0);
  return RowOutcome::next;
}

RowOutcome read_speed_step(TrainReading& t) {
  const std::int32_t p = t.number(0), s = t.number(1);
  const std::optional<std::uint8_t> fifth = nearest_as<std::uint8_t>(s / 5.0);
  if (!fifth) throw ReadFailure(t.rows.values_of(t.row)[1].offset,
                                "a speed of " + std::to_string(s) + " does not fit a byte in steps of 5");
  if (t.beyond_track(p, 0, 0)) return RowOutcome::end;
  t.watch.step("speed", t.speed.next_cell, p);
  t.speed.step(t.m, p, *fifth, t.watch.row_ref(), &cella::vel_limite, t.m.origins.speed);
  return RowOutcome::next;
}

RowOutcome read_adhesion_step(TrainReading& t) {
  const std::int32_t p = t.number(0), a = t.number(1);
  if (t.beyond_track(p, 0, 0)) return RowOutcome::end;
  check_range(t.m, record(RecordId::aderenza), 1, a, t.watch.value(1));
  t.watch.step("adhesion", t.adhesion.next_cell, p);
  t.adhesion.step(t.m, p, low_byte(a), t.watch.row_ref(), &cella::aderenza, t.m.origins.adhesion);
  return RowOutcome::next;
}

RowOutcome read_clock(TrainReading& t) {
  voce_percorso& v = t.entry(voce::ripetizione);
  v.intero3 = t.small(0);
  v.intero4 = t.small(1);
  v.intero5 = t.small(2);
  return RowOutcome::next;
}

RowOutcome read_sand(TrainReading& t) {
  t.entry(voce::ripetizione).intero1 = t.small(0);
  return RowOutcome::next;
}

RowOutcome read_signal(TrainReading& t) {
  std::int32_t v[11];
  for (std::size_t i = 0; i < 11; ++i) v[i] = t.number(i);
  const std::int64_t i = cella_di(v[0]);
  if (t.beyond_track(v[0], i, i)) return RowOutcome::end;
  // Only a signal whose sx is 2 keeps its tempo.
  if (v[1] == 2) check_range(t.m, record(RecordId::segnale), 10, v[10], t.watch.value(10));
  t.watch.placed(v[0]);
  // Only the signal's own failure ends the reading: an error 15 left by
  // the line reader keeps its own position and the rows go on.
  if (const auto refusal = memo_segnale(t.m, t.watch.row_ref(), v[0], v[1], v[2], v[3], v[4],
                                        v[5], v[6], v[7], v[8], v[9], v[10]))
    return t.refuse(*refusal, v[0]);
  return RowOutcome::next;
}

RowOutcome read_slowdown(TrainReading& t) {
  std::int32_t v[6];
  for (std::size_t i = 0; i < 6; ++i) v[i] = t.number(i);
  const CelleRallentamento k = celle_rallentamento(v[0], v[2]);
  if (t.beyond_track(v[0], k.inizio, k.inizio)) return RowOutcome::end;
  // The end x + l is a 32-bit sum, formed once the start has passed.
  in_32(std::int64_t{v[0]} + v[2], t.watch.row_ref().offset(), "the slowdown's end (start + length)");
  if (t.beyond_track(v[0], k.fine, k.fine)) {
    explain_slowdown_too_long(t.m, t.watch.value(2), v[0], v[2]);
    return RowOutcome::end;
  }
  t.watch.placed(v[0], std::int64_t{v[0]} + v[2]);
  if (const auto refusal =
          memo_rallentamento(t.m, t.watch.row_ref(), v[0], v[1], v[2], v[3], v[4], v[5]))
    return t.refuse(*refusal, v[0]);
  return RowOutcome::next;
}

RowOutcome read_abbattimento(TrainReading& t) {
  const std::int32_t p = t.number(0), q = t.number(1);
  const std::int64_t c = cella_abbattimento(p);
  if (t.beyond_track(p, c, c)) return RowOutcome::end;
  t.watch.placed(p);
  if (const auto refusal = memo_abbattimento(t.m, t.watch.row_ref(), p, q))
    return t.refuse(*refusal, p);
  return RowOutcome::next;
}

RowOutcome read_station(TrainReading& t) {
  const RowOutcome o = record_station(t.m, t.rows, t.row, t.station, t.board_pointer, t.watch);
  if (o == RowOutcome::abandon) t.source.discard();
  return o;
}

RowOutcome read_record(TrainReading& t, std::size_t row) {
  t.row = row;
  switch (t.rows.rows[row].record->id) {
    case RecordId::frenata: return read_braked_mass(t);
    case RecordId::vetture: return read_cars(t);
    case RecordId::velocita: return read_speed_step(t);
    case RecordId::aderenza: return read_adhesion_step(t);
    case RecordId::orologio: return read_clock(t);
    case RecordId::sabbia: return read_sand(t);
    case RecordId::segnale: return read_signal(t);
    case RecordId::rallentamento: return read_slowdown(t);
    case RecordId::abbattimento: return read_abbattimento(t);
    case RecordId::stazione: return read_station(t);
    default: return RowOutcome::next;  // a line description record: never read here
  }
}

void read_train_rows(Modello& m, DescriptionText& source, const RowList& rows, RowWatch& watch,
                     std::int32_t board_pointer) {
  watch.check_encoding();
  TrainReading t{m, rows, watch, source, board_pointer, 0, {}, {}};

  if (rows.generale_read)
    watch.found_generale();
  else
    watch.no_generale();

  std::size_t i = 0;
  if (act_on_rows(rows, i, Section::train, watch, t.repeated,
                  [&](std::size_t row) { return read_record(t, row); },
                  [](std::string_view) { return false; }) == RowOutcome::abandon)
    return;

  // End processing.
  source.discard();
  t.speed.complete(m, &cella::vel_limite, m.origins.speed);
  t.adhesion.complete(m, &cella::aderenza, m.origins.adhesion);
  check_progressives(m);
}

}  // namespace

void read_train(Modello& m, DescriptionText& source, std::int32_t board_pointer,
                std::shared_ptr<const RowList>& held) {
  std::shared_ptr<const RowList> given = std::move(held);
  held = rows_of(source.read(), Text::treno, false, std::move(given));
  const RowList& rows = *held;
  const std::string_view text = rows.source;
  RowWatch watch(m, rows, text);
  try {
    read_train_rows(m, source, rows, watch, board_pointer);
  } catch (const ReadFailure& e) {
    watch.unreadable(e);
    check_layout(m, Text::treno, text);
    throw;
  }
  check_layout(m, Text::treno, text);
}

}  // namespace scenario
