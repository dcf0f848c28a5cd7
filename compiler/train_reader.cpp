// The train half of memorizza_dati: header values, the speed-limit and
// adhesion profiles, stations, signals, slowdowns and "abbattimento" points.
#include <limits>
#include <string>

#include "text/field_reader.h"
#include "compiler/line_features.h"
#include "compiler/reader.h"
#include "compiler/rounding.h"
#include "compiler/signals.h"
#include "compiler/stations.h"
#include "compiler/text_match.h"
#include "compiler/value_kinds.h"

namespace scenario {
namespace {

constexpr auto treno = Diagnosi::Sorgente::treno;
constexpr int commenti = 2;

// A profile laid over the cells step by step: each step's value applies from
// cell nearest(p / 50) on. Writing never passes cell N.
struct Profilo {
  std::int64_t indice = 0;   // first cell not yet written
  std::uint8_t portato = 0;  // the byte that applies from `indice` on

  template <typename Campo>
  void passo(Modello& m, std::int32_t p, std::uint8_t nuovo, Campo campo) {
    const std::int64_t n = indice_vicino(p / 50.0);
    if (n > 0) {
      do {
        if (indice >= m.ultima_cella) break;
        m.celle[static_cast<std::size_t>(indice)].*campo = portato;
        ++indice;
      } while (indice < n);
    }
    portato = nuovo;
  }

  // The last value into the cells up to N - 3; at least the cell at the index.
  template <typename Campo>
  void completa(Modello& m, Campo campo) {
    do {
      m.celle[static_cast<std::size_t>(indice)].*campo = portato;
      ++indice;
    } while (indice < std::int64_t{m.ultima_cella} - 2);
  }
};

}  // namespace

void leggi_treno(Modello& m, DescriptionText& sorgente, std::int32_t puntatore_cartelli) {
  const std::string testo = sorgente.read();
  FieldReader r(testo);
  auto& tabella = m.tabella_percorso;
  const std::int64_t N = m.ultima_cella;

  Profilo velocita, aderenza;
  std::int32_t stazione = 1;

  auto abbandona = [&]() { sorgente.discard(); };

  // (p + 100) / 50 beyond the last cell, or a feature cell before cell 0 or
  // past the last: the row is refused with error 15 and the scan ends.
  auto fuori = [&](std::int32_t p, std::size_t record, std::int64_t cella_minima,
                   std::int64_t cella_massima) {
    if (!oltre_le_celle(m, p, record) && cella_minima >= 0 && cella_massima <= N) return false;
    registra(m, treno, 15, record, p);
    return true;
  };

  while (!r.eof()) {
    m.campo = r.text();
    if (contiene_ci(m.campo, "[generale]")) break;
  }

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
    const std::size_t record = r.field_start();
    bool fine_scansione = false;

    if (contiene_ci(campo, "frenata") && contiene_ci(campo, "massa"))
      tabella[voce::treno].dato1 = r.number();
    if (contiene_ci(campo, "vetture")) tabella[voce::treno].dato3 = r.number();
    if (contiene_ci(campo, "velocit")) {
      const std::int32_t p = r.number(), s = r.number();
      const std::optional<std::uint8_t> quinto = nearest_as<std::uint8_t>(s / 5.0);
      if (!quinto) throw ReadFailure(r.field_start(), "a speed of " + std::to_string(s) +
                                                          " does not fit a byte in steps of 5");
      if (fuori(p, record, 0, 0)) break;
      velocita.passo(m, p, *quinto, &cella::vel_limite);
    }
    if (contiene_ci(campo, "aderenza")) {
      const std::int32_t p = r.number(), a = r.number();
      if (fuori(p, record, 0, 0)) break;
      aderenza.passo(m, p, low_byte(a), &cella::aderenza);
    }
    if (contiene_ci(campo, "orologio")) {
      tabella[voce::ripetizione].intero3 = leggi_16(r);
      tabella[voce::ripetizione].intero4 = leggi_16(r);
      tabella[voce::ripetizione].intero5 = leggi_16(r);
    }
    if (contiene_ci(campo, "sabbia")) tabella[voce::ripetizione].intero1 = leggi_16(r);
    if (contiene_ci(campo, "segnale")) {
      std::int32_t v[11];
      for (std::int32_t& x : v) x = r.number();
      const std::int64_t i = cella_di(v[0]);
      if (fuori(v[0], record, i, i)) break;
      // Only the signal's own failure ends the reading: an error 15 left by
      // the line reader keeps its own position and the rows go on.
      if (!memo_segnale(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10])) {
        abbandona();
        registra(m, treno, m.numero_errore, record, v[0]);
        return;
      }
    }
    if (contiene_ci(campo, "rallentamento")) {
      std::int32_t v[6];
      for (std::int32_t& x : v) x = r.number();
      const CelleRallentamento k = celle_rallentamento(v[0], v[2]);
      if (fuori(v[0], record, k.inizio, k.inizio)) break;
      // The end x + l is a 32-bit sum, formed once the start has passed.
      in_32(std::int64_t{v[0]} + v[2], record, "the slowdown's end (start + length)");
      if (fuori(v[0], record, k.fine, k.fine)) break;
      if (!memo_rallentamento(m, v[0], v[1], v[2], v[3], v[4], v[5])) {
        abbandona();
        registra(m, treno, m.numero_errore, record, v[0]);
        return;
      }
    }
    if (contiene_ci(campo, "abbattimento")) {
      const std::int32_t p = r.number(), q = r.number();
      const std::int64_t c = cella_abbattimento(p);
      if (fuori(p, record, c, c)) break;
      if (!memo_abbattimento(m, p, q)) {
        abbandona();
        registra(m, treno, 7, record, p);
        return;
      }
    }
    if (contiene_ci(campo, "stazione")) {
      switch (registra_stazione(m, r, stazione, puntatore_cartelli, record)) {
        case EsitoStazione::avanti: break;
        case EsitoStazione::fine: fine_scansione = true; break;
        case EsitoStazione::abbandona: abbandona(); return;
      }
    }
    if (fine_scansione) break;
  }

  // End processing.
  sorgente.discard();
  velocita.completa(m, &cella::vel_limite);
  aderenza.completa(m, &cella::aderenza);
  for (int i = voce::progressiva_tre; i <= voce::progressiva_uno; ++i) {
    const voce_percorso& v = tabella[static_cast<std::size_t>(i)];
    if (v.dato1 % 50 != 0 || v.dato2 % 50 != 0) {
      // The progressives come from the line description.
      registra(m, Diagnosi::Sorgente::linea, 2, Diagnosi::npos);
    }
  }
}

}  // namespace scenario
