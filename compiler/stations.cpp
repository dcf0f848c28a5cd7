#include "compiler/stations.h"

#include <string>

#include "compiler/diagnose.h"
#include "compiler/reader.h"
#include "rows/records.h"
#include "compiler/rounding.h"
#include "compiler/row_watch.h"
#include "compiler/value_checks.h"
#include "compiler/value_kinds.h"

namespace scenario {
namespace {

// A stop cell is written whatever the cell holds: the feature there loses
// its kind and its first value and keeps the others.
void warn_stop_over_feature(Modello& m, RowWatch& watch, std::int64_t i, std::string_view nome) {
  Diagnostic& d = warn(m, "station-over-feature", watch.row(),
                       "the stop cell of station " + printable(nome) + " is written over " +
                           what_holds(m, static_cast<std::size_t>(i)) + " in " + cell_name(i) +
                           ": the cell becomes a stop cell and keeps that feature's other values");
  note_cell(m, d, i, "held");
  d.notes.push_back({TextSpan{}, "move the station or the other feature; put stations before "
                                 "signals to have a signal refused instead"});
}

}  // namespace

RowOutcome record_station(Modello& m, const RowList& rows, std::size_t row, std::int32_t& e,
                          std::int32_t board_pointer, RowWatch& watch) {
  const std::span<const Field> fields = rows.values_of(row);
  const auto number = [&](std::size_t i) { return rows.number(row, i); };
  const auto as_byte = [&](std::size_t i) {
    const std::int32_t v = number(i);  // first: it throws where the row's values fail
    return byte_value(v, fields[i].offset);
  };
  const auto as_small = [&](std::size_t i) {
    const std::int32_t v = number(i);
    return small_value(v, fields[i].offset);
  };
  const std::size_t record = watch.row().offset;
  auto table_full = [&] {
    Diagnostic& d = record_error(m, ScenarioError::station_table_full, watch.row());
    d.notes.push_back({TextSpan{}, "the line description's " +
                                       std::to_string(voce::primo_cartello - board_pointer) +
                                       " text boards leave room for " +
                                       std::to_string(board_pointer - 2) + " stations"});
    return RowOutcome::abandon;
  };
  // With 80 text boards entry 1 already holds a board's text: refuse before
  // writing over it.
  if (e > board_pointer) return table_full();
  voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(e)];
  const std::int32_t N = m.ultima_cella;

  const std::int32_t p = number(0);
  v.dato3 = p;
  if (oltre_le_celle(m, p, watch.row_ref().offset(), 800)) {
    record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    return RowOutcome::end;
  }
  if (p % 50 != 0) {
    record_error(m, ScenarioError::station_position_not_multiple_of_50, watch.value(0), p);
    return RowOutcome::abandon;
  }
  v.tipo_voce = as_byte(1);
  const std::int32_t L = number(2);
  if (L % 100 != 0) {
    record_error(m, ScenarioError::station_length_not_multiple_of_100, watch.value(2), p);
    return RowOutcome::abandon;
  }
  v.byte1 = as_byte(3);
  v.byte5 = as_byte(4);
  v.byte4 = as_byte(5);
  v.intero1 = as_small(6);
  v.intero2 = as_small(7);
  v.byte2 = as_byte(8);
  v.intero3 = as_small(9);
  v.intero4 = as_small(10);
  v.intero5 = as_small(11);
  v.byte3 = as_byte(12);
  const std::int32_t ore = number(13);
  const std::size_t orario = fields[13].offset;
  const std::int32_t minuti = number(14), secondi = number(15);
  // (hours x 60 + minutes) x 60 + seconds, each step in 32 bits.
  const char* cosa = "the station time (hours x 60 + minutes) x 60 + seconds";
  std::int32_t tempo = in_32(std::int64_t{ore} * 60, orario, cosa);
  tempo = in_32(std::int64_t{tempo} + minuti, orario, cosa);
  tempo = in_32(std::int64_t{tempo} * 60, orario, cosa);
  v.dato4 = in_32(std::int64_t{tempo} + secondi, orario, cosa);
  const std::string_view nome = rows.text_value(row, 16);
  if (nome.size() > 0xFFFF) throw ReadFailure(fields[16].offset, "a station name longer than 65535 characters");
  v.testo = nome;
  watch.wrote_entry(e);
  check_station_time(m, e, watch.value(13), ore, watch.value(14), minuti, watch.value(15), secondi);
  watch.placed(p);

  // The stretch the station occupies along the line.
  const std::uint8_t t = v.tipo_voce;
  if (t == 5 || t == 6) {
    v.dato2 = in_32(std::int64_t{p} + 150, record, "the station's end");
    v.dato1 = in_32(std::int64_t{p} - L, record, "the station's start");
    v.byte4 = 0;
  } else if (t == 7 || t == 8) {
    v.dato1 = in_32(std::int64_t{p} - L, record, "the station's start");
    v.dato2 = in_32(std::int64_t{p} + L, record, "the station's end");
    v.byte4 = 0;
  } else {
    v.dato1 = in_32(static_cast<std::int64_t>(nearest(p - L / 2.0)), record, "the station's start");
    v.dato2 = in_32(static_cast<std::int64_t>(nearest(p + L / 2.0)) + (v.byte4 != 0 ? 50 : 0),
                    record, "the station's end");
  }
  if (L < 600) v.byte5 = 0;
  if (e == 1) {
    v.byte4 = 0;
    v.byte5 = 0;
  }

  if (t < station_unmarked_types_from) {
    const double fermata = v.dato2 / 50.0 - 1;
    // A stop cell past the last cell would be written outside the array.
    if (fermata > 1 && nearest(fermata) > N) {
      record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
      return RowOutcome::end;
    }
    if (t != 5 && t != 6) {
      std::int64_t segni[station_marks];
      std::size_t n = 0;
      for (int k = 1; k <= station_marks; ++k)
        if (const double c = v.dato2 / 50.0 - k - 1; c > 1) segni[n++] = indice_vicino(c);
      note_marks(m, watch.row_ref(), std::span(segni, n));
      for (int k = 1; k <= station_marks; ++k) {
        const double c = v.dato2 / 50.0 - k - 1;
        if (c > 1) m.celle[static_cast<std::size_t>(nearest(c))].preavviso = static_cast<std::uint8_t>(80 + k);
      }
    }
    if (!(fermata > 1)) {
      record_error(m, ScenarioError::stop_cell_not_beyond_cell_1, watch.row());
      return RowOutcome::abandon;
    }
    const std::int64_t i = indice_vicino(fermata);
    cella& c = m.celle[static_cast<std::size_t>(i)];
    if (!libera(c)) warn_stop_over_feature(m, watch, i, v.testo);
    note_feature(m, i, watch.row_ref());
    c.tipo_cella = tipo::fermata;
    c.valore_a = static_cast<std::int16_t>(e);
  }

  if (e > 1 && in_32(std::int64_t{v.dato1} - 350, record, "the station's start - 350") <
                   m.tabella_percorso[static_cast<std::size_t>(e - 1)].dato2) {
    Diagnostic& d = record_error(m, ScenarioError::stations_too_close, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "this station's zone starts at " + std::to_string(v.dato1) + " m"});
    d.notes.push_back({m.origins.entries[static_cast<std::size_t>(e - 1)].span(),
                       "the zone of the station before it ends at " +
                           std::to_string(m.tabella_percorso[static_cast<std::size_t>(e - 1)].dato2) +
                           " m"});
    explain_stations_too_close(m, e, p);
    return RowOutcome::abandon;
  }
  ++e;
  if (e >= board_pointer) return table_full();
  return RowOutcome::next;
}

}  // namespace scenario
