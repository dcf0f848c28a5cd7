// The train half of memorizza_dati: header values, the speed-limit and
// adhesion profiles, stations, signals, slowdowns and "abbattimento" points.
#include <limits>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/keyword_fields.h"
#include "compiler/line_features.h"
#include "compiler/reader.h"
#include "compiler/records.h"
#include "compiler/rounding.h"
#include "compiler/row_watch.h"
#include "compiler/signals.h"
#include "compiler/stations.h"
#include "compiler/text_layout.h"
#include "compiler/value_checks.h"
#include "compiler/text_match.h"
#include "compiler/value_kinds.h"

namespace scenario {
namespace {

// A profile laid over the cells step by step: each step's value applies from
// cell nearest(p / 50) on. Writing never passes cell N.
// `origine` keeps the rows behind the bytes.
struct ProfileRun {
  std::int64_t indice = 0;   // first cell not yet written
  std::uint8_t portato = 0;  // the byte that applies from `indice` on
  RowRef riga;               // the row of `portato`

  template <typename Campo>
  void passo(Modello& m, std::int32_t p, std::uint8_t nuovo, RowRef nuova_riga, Campo campo,
             ProfileRuns& origine) {
    const std::int64_t n = indice_vicino(p / 50.0);
    if (n > 0) {
      if (indice < m.ultima_cella) origine.add(indice, riga);
      do {
        if (indice >= m.ultima_cella) break;
        m.celle[static_cast<std::size_t>(indice)].*campo = portato;
        ++indice;
      } while (indice < n);
    }
    portato = nuovo;
    riga = nuova_riga;
  }

  // The last value into the cells up to N - 3; at least the cell at the index.
  template <typename Campo>
  void completa(Modello& m, Campo campo, ProfileRuns& origine) {
    origine.add(indice, riga);
    do {
      m.celle[static_cast<std::size_t>(indice)].*campo = portato;
      ++indice;
    } while (indice < std::int64_t{m.ultima_cella} - 2);
  }
};

// Entries 81 to 83 come from the line description: their positions and
// progressives must be multiples of 50 (error 2, checked once the train is
// read).
void progressive_multiple_di_50(Modello& m) {
  Diagnostic* d = nullptr;
  for (int i = voce::progressiva_tre; i <= voce::progressiva_uno; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const voce_percorso& v = m.tabella_percorso[k];
    if (v.dato1 % 50 == 0 && v.dato2 % 50 == 0) continue;
    const std::string cosa = "position " + std::to_string(v.dato1) + " m and progressive " +
                             std::to_string(v.dato2) + " m" +
                             (v.dato3 == 1 ? " (with the flag's 100 m)" : "");
    if (!d) {
      d = &record_error(m, ScenarioError::progressive_not_multiple_of_50,
                        m.origins.entries[k].span());
      d->notes.push_back({TextSpan{}, "this record gives " + cosa});
    } else {
      d->notes.push_back({m.origins.entries[k].span(), "so does this one: " + cosa});
    }
  }
}

enum class Outcome {
  avanti,     // the row is recorded; the scan goes on
  fine,       // error 15: the scan ends, the end processing follows
  abbandona,  // a refused row: the reading ends at once
};

// The train reader's state while it reads one text.
struct LetturaTreno {
  Modello& m;
  FieldReader& r;
  RowWatch& watch;
  DescriptionText& sorgente;
  std::int32_t puntatore_cartelli;
  std::string_view campo;  // the keyword field of the row in hand
  ProfileRun velocita{}, aderenza{};
  std::int32_t stazione = 1;
  RepeatedRecords ripetuti{m};

  voce_percorso& voce(int i) { return m.tabella_percorso[static_cast<std::size_t>(i)]; }

  // (p + 100) / 50 beyond the last cell, or a feature cell before cell 0 or
  // past the last: the row is refused with error 15 and the scan ends.
  bool fuori(std::int32_t p, std::int64_t cella_minima, std::int64_t cella_massima) {
    if (!oltre_le_celle(m, p, watch.row_ref().offset()) && cella_minima >= 0 &&
        cella_massima <= m.ultima_cella)
      return false;
    Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
    return true;
  }

  // A refused feature ends the reading.
  Outcome rifiuta(const Refusal& rifiuto, std::int32_t p) {
    sorgente.discard();
    Diagnostic& d = record_refusal(m, rifiuto, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
    return Outcome::abbandona;
  }
};

Outcome leggi_frenata(LetturaTreno& t) {
  t.voce(voce::treno).dato1 = t.r.number();
  return Outcome::avanti;
}

Outcome leggi_vetture(LetturaTreno& t) {
  t.voce(voce::treno).dato3 = t.r.number();
  return Outcome::avanti;
}

Outcome leggi_velocita(LetturaTreno& t) {
  const std::int32_t p = t.r.number(), s = t.r.number();
  const std::optional<std::uint8_t> quinto = nearest_as<std::uint8_t>(s / 5.0);
  if (!quinto) throw ReadFailure(t.r.field_start(), "a speed of " + std::to_string(s) +
                                                        " does not fit a byte in steps of 5");
  if (t.fuori(p, 0, 0)) return Outcome::fine;
  t.watch.step("speed", t.velocita.indice, p);
  t.velocita.passo(t.m, p, *quinto, t.watch.row_ref(), &cella::vel_limite, t.m.origins.speed);
  return Outcome::avanti;
}

Outcome leggi_aderenza(LetturaTreno& t) {
  const std::int32_t p = t.r.number(), a = t.r.number();
  if (t.fuori(p, 0, 0)) return Outcome::fine;
  check_range(t.m, record(RecordId::aderenza), 1, a, t.watch.value(1));
  t.watch.step("adhesion", t.aderenza.indice, p);
  t.aderenza.passo(t.m, p, low_byte(a), t.watch.row_ref(), &cella::aderenza, t.m.origins.adhesion);
  return Outcome::avanti;
}

Outcome leggi_orologio(LetturaTreno& t) {
  voce_percorso& v = t.voce(voce::ripetizione);
  v.intero3 = leggi_16(t.r);
  v.intero4 = leggi_16(t.r);
  v.intero5 = leggi_16(t.r);
  return Outcome::avanti;
}

Outcome leggi_sabbia(LetturaTreno& t) {
  t.voce(voce::ripetizione).intero1 = leggi_16(t.r);
  return Outcome::avanti;
}

Outcome leggi_segnale(LetturaTreno& t) {
  std::int32_t v[11];
  for (std::int32_t& x : v) x = t.r.number();
  const std::int64_t i = cella_di(v[0]);
  if (t.fuori(v[0], i, i)) return Outcome::fine;
  // Only a signal whose sx is 2 keeps its tempo.
  if (v[1] == 2) check_range(t.m, record(RecordId::segnale), 10, v[10], t.watch.value(10));
  t.watch.placed(v[0]);
  // Only the signal's own failure ends the reading: an error 15 left by
  // the line reader keeps its own position and the rows go on.
  if (const auto rifiuto = memo_segnale(t.m, t.watch.row_ref(), v[0], v[1], v[2], v[3], v[4],
                                        v[5], v[6], v[7], v[8], v[9], v[10]))
    return t.rifiuta(*rifiuto, v[0]);
  return Outcome::avanti;
}

Outcome leggi_rallentamento(LetturaTreno& t) {
  std::int32_t v[6];
  for (std::int32_t& x : v) x = t.r.number();
  const CelleRallentamento k = celle_rallentamento(v[0], v[2]);
  if (t.fuori(v[0], k.inizio, k.inizio)) return Outcome::fine;
  // The end x + l is a 32-bit sum, formed once the start has passed.
  in_32(std::int64_t{v[0]} + v[2], t.watch.row_ref().offset(), "the slowdown's end (start + length)");
  if (t.fuori(v[0], k.fine, k.fine)) {
    explain_slowdown_too_long(t.m, t.watch.value(2), v[0], v[2]);
    return Outcome::fine;
  }
  t.watch.placed(v[0], std::int64_t{v[0]} + v[2]);
  if (const auto rifiuto =
          memo_rallentamento(t.m, t.watch.row_ref(), v[0], v[1], v[2], v[3], v[4], v[5]))
    return t.rifiuta(*rifiuto, v[0]);
  return Outcome::avanti;
}

Outcome leggi_abbattimento(LetturaTreno& t) {
  const std::int32_t p = t.r.number(), q = t.r.number();
  const std::int64_t c = cella_abbattimento(p);
  if (t.fuori(p, c, c)) return Outcome::fine;
  t.watch.placed(p);
  if (const auto rifiuto = memo_abbattimento(t.m, t.watch.row_ref(), p, q))
    return t.rifiuta(*rifiuto, p);
  return Outcome::avanti;
}

Outcome leggi_stazione(LetturaTreno& t) {
  switch (record_station(t.m, t.r, t.stazione, t.puntatore_cartelli, t.watch)) {
    case StationOutcome::avanti: return Outcome::avanti;
    case StationOutcome::fine: return Outcome::fine;
    case StationOutcome::abbandona: t.sorgente.discard(); return Outcome::abbandona;
  }
  return Outcome::abbandona;
}

Outcome leggi_record(LetturaTreno& t, RecordId id) {
  switch (id) {
    case RecordId::frenata: return leggi_frenata(t);
    case RecordId::vetture: return leggi_vetture(t);
    case RecordId::velocita: return leggi_velocita(t);
    case RecordId::aderenza: return leggi_aderenza(t);
    case RecordId::orologio: return leggi_orologio(t);
    case RecordId::sabbia: return leggi_sabbia(t);
    case RecordId::segnale: return leggi_segnale(t);
    case RecordId::rallentamento: return leggi_rallentamento(t);
    case RecordId::abbattimento: return leggi_abbattimento(t);
    case RecordId::stazione: return leggi_stazione(t);
    default: return Outcome::avanti;  // a line description record: never tested here
  }
}

void leggi_treno_osservato(Modello& m, DescriptionText& sorgente, std::string_view testo,
                           RowWatch& watch, std::int32_t puntatore_cartelli) {
  FieldReader r(testo);
  watch.follow(r);
  watch.check_encoding();
  LetturaTreno t{m, r, watch, sorgente, puntatore_cartelli, {}};

  if (find_generale(r, Text::treno, [&](std::string_view f) { watch.skipped(r, f); }).keyword)
    watch.found_generale();
  else
    watch.no_generale();

  for (bool scansione = true; scansione;) {
    const KeywordField k = next_keyword(r, Section::train);
    if (!k.keyword) break;
    t.campo = k.text;
    watch.keyword(r, t.campo, Section::train);
    const std::uint32_t passed = match_mask(Section::train, t.campo);
    const std::span<const RecordInfo> in = records_in(Section::train);
    for (std::size_t i = 0; i < in.size() && passed != 0; ++i) {
      const RecordInfo& rec = in[i];
      if ((passed >> i & 1u) == 0) continue;
      watch.record(rec);
      t.ripetuti.seen(rec, watch.row());
      const Outcome e = leggi_record(t, rec.id);
      if (e == Outcome::abbandona) return;
      if (e == Outcome::fine) {
        scansione = false;
        break;
      }
    }
    if (scansione) watch.row_done(r);
  }

  // End processing.
  sorgente.discard();
  t.velocita.completa(m, &cella::vel_limite, m.origins.speed);
  t.aderenza.completa(m, &cella::aderenza, m.origins.adhesion);
  progressive_multiple_di_50(m);
}

}  // namespace

void read_train(Modello& m, DescriptionText& sorgente, std::int32_t puntatore_cartelli) {
  const std::string testo = sorgente.read();
  RowWatch watch(m, Text::treno, testo);
  try {
    leggi_treno_osservato(m, sorgente, testo, watch, puntatore_cartelli);
  } catch (const ReadFailure& e) {
    watch.unreadable(e);
    check_layout(m, Text::treno, testo);
    throw;
  }
  check_layout(m, Text::treno, testo);
}

}  // namespace scenario
