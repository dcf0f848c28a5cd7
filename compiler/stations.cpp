#include "compiler/stations.h"

#include <string>

#include "compiler/diagnose.h"
#include "compiler/reader.h"
#include "compiler/records.h"
#include "compiler/rounding.h"
#include "compiler/row_watch.h"
#include "compiler/value_checks.h"
#include "compiler/value_kinds.h"

namespace scenario {
namespace {

// A stop cell is written whatever the cell holds: the feature there loses
// its kind and its first value and keeps the others.
void avvisa_sovrapposta(Modello& m, RowWatch& watch, std::int64_t i, std::string_view nome) {
  Diagnostic& d = warn(m, "station-over-feature", watch.row(),
                       "the stop cell of station " + printable(nome) + " is written over " +
                           what_holds(m, static_cast<std::size_t>(i)) + " in " + cell_name(i) +
                           ": the cell becomes a stop cell and keeps that feature's other values");
  note_cell(m, d, i, "held");
  d.notes.push_back({TextSpan{}, "move the station or the other feature; put stations before "
                                 "signals to have a signal refused instead"});
}

}  // namespace

StationOutcome record_station(Modello& m, FieldReader& r, std::int32_t& e,
                                std::int32_t puntatore_cartelli, RowWatch& watch) {
  const std::size_t record = watch.row().offset;
  auto tabella_piena = [&] {
    Diagnostic& d = record_error(m, ScenarioError::station_table_full, watch.row());
    d.notes.push_back({TextSpan{}, "the line description's " +
                                       std::to_string(voce::primo_cartello - puntatore_cartelli) +
                                       " text boards leave room for " +
                                       std::to_string(puntatore_cartelli - 2) + " stations"});
    return StationOutcome::abbandona;
  };
  // With 80 text boards entry 1 already holds a board's text: refuse before
  // writing over it.
  if (e > puntatore_cartelli) return tabella_piena();
  voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(e)];
  const std::int32_t N = m.ultima_cella;

  const std::int32_t p = r.number();
  v.dato3 = p;
  if (oltre_le_celle(m, p, watch.row_ref().offset(), 800)) {
    record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    return StationOutcome::fine;
  }
  if (p % 50 != 0) {
    record_error(m, ScenarioError::station_position_not_multiple_of_50, watch.value(0), p);
    return StationOutcome::abbandona;
  }
  v.tipo_voce = leggi_byte(r);
  const std::int32_t L = r.number();
  if (L % 100 != 0) {
    record_error(m, ScenarioError::station_length_not_multiple_of_100, watch.value(2), p);
    return StationOutcome::abbandona;
  }
  v.byte1 = leggi_byte(r);
  v.byte5 = leggi_byte(r);
  v.byte4 = leggi_byte(r);
  v.intero1 = leggi_16(r);
  v.intero2 = leggi_16(r);
  v.byte2 = leggi_byte(r);
  v.intero3 = leggi_16(r);
  v.intero4 = leggi_16(r);
  v.intero5 = leggi_16(r);
  v.byte3 = leggi_byte(r);
  const std::int32_t ore = r.number();
  const std::size_t orario = r.field_start();
  const std::int32_t minuti = r.number(), secondi = r.number();
  // (hours x 60 + minutes) x 60 + seconds, each step in 32 bits.
  const char* cosa = "the station time (hours x 60 + minutes) x 60 + seconds";
  std::int32_t tempo = in_32(std::int64_t{ore} * 60, orario, cosa);
  tempo = in_32(std::int64_t{tempo} + minuti, orario, cosa);
  tempo = in_32(std::int64_t{tempo} * 60, orario, cosa);
  v.dato4 = in_32(std::int64_t{tempo} + secondi, orario, cosa);
  const std::string_view nome = r.text();
  if (nome.size() > 0xFFFF) throw ReadFailure(r.field_start(), "a station name longer than 65535 characters");
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
      return StationOutcome::fine;
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
      return StationOutcome::abbandona;
    }
    const std::int64_t i = indice_vicino(fermata);
    cella& c = m.celle[static_cast<std::size_t>(i)];
    if (!libera(c)) avvisa_sovrapposta(m, watch, i, v.testo);
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
    return StationOutcome::abbandona;
  }
  ++e;
  if (e >= puntatore_cartelli) return tabella_piena();
  return StationOutcome::avanti;
}

}  // namespace scenario
