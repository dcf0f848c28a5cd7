// The train half of memorizza_dati: header values, the speed-limit and
// adhesion profiles, stations, signals, slowdowns and "abbattimento" points.
#include <limits>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/line_features.h"
#include "compiler/reader.h"
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

constexpr int commenti = 2;

// A profile laid over the cells step by step: each step's value applies from
// cell nearest(p / 50) on. Writing never passes cell N.
// `origine` keeps the rows behind the bytes.
struct Profilo {
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

void leggi_treno_osservato(Modello& m, DescriptionText& sorgente, std::string_view testo,
                           RowWatch& watch, std::int32_t puntatore_cartelli) {
  FieldReader r(testo);
  watch.check_encoding();
  auto& tabella = m.tabella_percorso;
  const std::int64_t N = m.ultima_cella;

  Profilo velocita, aderenza;
  std::int32_t stazione = 1;

  auto abbandona = [&]() { sorgente.discard(); };

  // (p + 100) / 50 beyond the last cell, or a feature cell before cell 0 or
  // past the last: the row is refused with error 15 and the scan ends.
  auto fuori = [&](std::int32_t p, std::int64_t cella_minima, std::int64_t cella_massima) {
    if (!oltre_le_celle(m, p, watch.row_ref().offset()) && cella_minima >= 0 && cella_massima <= N)
      return false;
    Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
    return true;
  };
  // A refused feature ends the reading.
  auto rifiuta = [&](const Refusal& rifiuto, std::int32_t p) {
    abbandona();
    Diagnostic& d = record_refusal(m, rifiuto, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the train description's rows after this one were not read"});
  };

  bool generale = false;
  while (!r.eof()) {
    m.campo = r.text();
    if (contiene_ci(m.campo, "[generale]")) {
      generale = true;
      watch.found_generale();
      break;
    }
    watch.skipped(r, m.campo);
  }
  if (!generale) watch.no_generale();

  for (;;) {
    if (r.eof()) break;
    m.campo = r.text();
    if (r.eof()) break;
    bool finito = false;
    for (int k = 0; k < commenti && contiene(m.campo, "-"); ++k) {
      m.campo = r.text();
      if (r.eof()) {
        finito = true;
        break;
      }
    }
    if (finito) break;

    const std::string_view campo = m.campo;
    watch.keyword(r, campo, Section::train);
    bool fine_scansione = false;

    if (contiene_ci(campo, "frenata") && contiene_ci(campo, "massa")) {
      watch.record("massa frenata", 1);
      tabella[voce::treno].dato1 = r.number();
    }
    if (contiene_ci(campo, "vetture")) {
      watch.record("vetture", 1);
      tabella[voce::treno].dato3 = r.number();
    }
    if (contiene_ci(campo, "velocit")) {
      watch.record("velocita", 2);
      const std::int32_t p = r.number(), s = r.number();
      const std::optional<std::uint8_t> quinto = nearest_as<std::uint8_t>(s / 5.0);
      if (!quinto) throw ReadFailure(r.field_start(), "a speed of " + std::to_string(s) +
                                                          " does not fit a byte in steps of 5");
      if (fuori(p, 0, 0)) break;
      watch.step("speed", velocita.indice, p);
      velocita.passo(m, p, *quinto, watch.row_ref(), &cella::vel_limite, m.origins.speed);
    }
    if (contiene_ci(campo, "aderenza")) {
      watch.record("aderenza", 2);
      const std::int32_t p = r.number(), a = r.number();
      if (fuori(p, 0, 0)) break;
      watch.step("adhesion", aderenza.indice, p);
      aderenza.passo(m, p, low_byte(a), watch.row_ref(), &cella::aderenza, m.origins.adhesion);
    }
    if (contiene_ci(campo, "orologio")) {
      watch.record("orologio", 3);
      tabella[voce::ripetizione].intero3 = leggi_16(r);
      tabella[voce::ripetizione].intero4 = leggi_16(r);
      tabella[voce::ripetizione].intero5 = leggi_16(r);
    }
    if (contiene_ci(campo, "sabbia")) {
      watch.record("sabbia", 1);
      tabella[voce::ripetizione].intero1 = leggi_16(r);
    }
    if (contiene_ci(campo, "segnale")) {
      watch.record("segnale", 11);
      std::int32_t v[11];
      for (std::int32_t& x : v) x = r.number();
      const std::int64_t i = cella_di(v[0]);
      if (fuori(v[0], i, i)) break;
      watch.placed(v[0]);
      // Only the signal's own failure ends the reading: an error 15 left by
      // the line reader keeps its own position and the rows go on.
      if (const auto rifiuto = memo_segnale(m, watch.row_ref(), v[0], v[1], v[2], v[3], v[4], v[5],
                                            v[6], v[7], v[8], v[9], v[10])) {
        rifiuta(*rifiuto, v[0]);
        return;
      }
    }
    if (contiene_ci(campo, "rallentamento")) {
      watch.record("rallentamento", 6);
      std::int32_t v[6];
      for (std::int32_t& x : v) x = r.number();
      const CelleRallentamento k = celle_rallentamento(v[0], v[2]);
      if (fuori(v[0], k.inizio, k.inizio)) break;
      // The end x + l is a 32-bit sum, formed once the start has passed.
      in_32(std::int64_t{v[0]} + v[2], watch.row_ref().offset(), "the slowdown's end (start + length)");
      if (fuori(v[0], k.fine, k.fine)) {
        explain_slowdown_too_long(m, watch.value(2), v[0], v[2]);
        break;
      }
      watch.placed(v[0], std::int64_t{v[0]} + v[2]);
      if (const auto rifiuto = memo_rallentamento(m, watch.row_ref(), v[0], v[1], v[2], v[3], v[4], v[5])) {
        rifiuta(*rifiuto, v[0]);
        return;
      }
    }
    if (contiene_ci(campo, "abbattimento")) {
      watch.record("abbattimento", 2);
      const std::int32_t p = r.number(), q = r.number();
      const std::int64_t c = cella_abbattimento(p);
      if (fuori(p, c, c)) break;
      watch.placed(p);
      if (const auto rifiuto = memo_abbattimento(m, watch.row_ref(), p, q)) {
        rifiuta(*rifiuto, p);
        return;
      }
    }
    if (contiene_ci(campo, "stazione")) {
      watch.record("stazione", 17);
      switch (registra_stazione(m, r, stazione, puntatore_cartelli, watch)) {
        case EsitoStazione::avanti: break;
        case EsitoStazione::fine: fine_scansione = true; break;
        case EsitoStazione::abbandona: abbandona(); return;
      }
    }
    if (fine_scansione) break;
    watch.row_done(r);
  }

  // End processing.
  sorgente.discard();
  velocita.completa(m, &cella::vel_limite, m.origins.speed);
  aderenza.completa(m, &cella::aderenza, m.origins.adhesion);
  progressive_multiple_di_50(m);
}

}  // namespace

void leggi_treno(Modello& m, DescriptionText& sorgente, std::int32_t puntatore_cartelli) {
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
