// The line half of memorizza_dati: general section, body records, finishing.
#include <functional>
#include <string>

#include "text/field_reader.h"
#include "compiler/line_features.h"
#include "model/format_constants.h"
#include "compiler/reader.h"
#include "compiler/rounding.h"
#include "compiler/text_match.h"

namespace scenario {
namespace {

constexpr int commenti_generale = 10;
constexpr int commenti_corpo = 2;
constexpr auto linea = Diagnosi::Sorgente::linea;

void crea_celle(Modello& m, std::int32_t lunghezza, std::size_t offset) {
  // A line of no length would be all run-out beyond its end: refused.
  if (lunghezza <= 0)
    throw ReadFailure(offset, "route length " + std::to_string(lunghezza) + ": must be positive");
  m.lunghezza_totale = lunghezza + metri_oltre;
  m.ultima_cella = static_cast<std::int32_t>(nearest(m.lunghezza_totale / 50.0));
  m.celle.assign(static_cast<std::size_t>(m.ultima_cella) + 1, cella{});
  if (m.scrivi_linea != 0) m.tracciato.crea(m.lunghezza_totale);
}

void leggi_progressiva(FieldReader& r, voce_percorso& v) {
  v.dato1 = r.number();
  v.dato2 = r.number();
  v.dato3 = r.number();
}

enum class Esito { avanti, fine_corpo, abbandona };

// A bracketed field ends the general section unless, leading spaces set
// aside, it begins with "-" (a quoted field keeps its leading spaces).
bool chiude_generale(std::string_view campo) {
  if (!contiene(campo, "[") || !contiene(campo, "]")) return false;
  const std::size_t primo = campo.find_first_not_of(' ');
  return primo == std::string_view::npos || campo[primo] != '-';
}

}  // namespace

bool leggi_linea(Modello& m, DescriptionText& testo, std::int32_t& puntatore_cartelli) {
  if (!testo.exists()) {
    registra(m, linea, 101, Diagnosi::npos);
    return false;
  }
  const std::string bytes = testo.read();
  return leggi_linea_testo(m, bytes, puntatore_cartelli, [&] { testo.discard(); });
}

bool leggi_linea_testo(Modello& m, std::string_view testo, std::int32_t& puntatore_cartelli,
                       const std::function<void()>& letto) {
  FieldReader r(testo);
  auto& tabella = m.tabella_percorso;

  auto abbandona = [&](std::int32_t numero, std::size_t record) {
    letto();
    registra(m, linea, numero, record);
    return false;
  };

  // Everything before the "[generale]" field is skipped untested. An empty
  // text has none either.
  for (;;) {
    if (r.eof()) return abbandona(102, Diagnosi::npos);
    m.campo = r.text();
    if (r.eof()) return abbandona(102, Diagnosi::npos);
    if (contiene_ci(m.campo, "[generale]")) break;
  }

  // General section.
  std::size_t ultima_progressiva = Diagnosi::npos;  // where a failure of their ordering is shown
  for (;;) {
    if (r.eof()) break;
    m.campo = r.text();
    if (r.eof()) break;
    for (int k = 0; k < commenti_generale && contiene(m.campo, "-"); ++k) m.campo = r.text();
    const std::string_view campo = m.campo;
    const std::size_t record = r.field_start();
    auto progressiva = [&](voce_percorso& v) {
      leggi_progressiva(r, v);
      ultima_progressiva = record;
    };

    if (contiene_ci(campo, "percorso") && contiene_ci(campo, "lunghezza")) {
      const std::int32_t lunghezza = r.number();
      tabella[voce::treno].dato2 = lunghezza;
      if (lunghezza > lunghezza_massima) return abbandona(1, record);
      crea_celle(m, lunghezza, r.field_start());
    }
    if (contiene(campo, "tre") && contiene(campo, "progressiva"))
      progressiva(tabella[voce::progressiva_tre]);
    if (contiene(campo, "due") && contiene(campo, "progressiva"))
      progressiva(tabella[voce::progressiva_due]);
    if (contiene(campo, "uno") && contiene(campo, "progressiva"))
      progressiva(tabella[voce::progressiva_uno]);
    // Background two and three go to dato3 and dato2, in that crossed order.
    if (contiene(campo, "sfondo") && contiene(campo, "uno")) tabella[voce::scenario].dato1 = r.number();
    if (contiene(campo, "sfondo") && contiene(campo, "due")) tabella[voce::scenario].dato3 = r.number();
    if (contiene(campo, "sfondo") && contiene(campo, "tre")) tabella[voce::scenario].dato2 = r.number();
    if (contiene(campo, "segnali") && contiene(campo, "ripetizione")) {
      voce_percorso& v = tabella[voce::ripetizione];
      v.dato1 = r.number();
      v.dato2 = r.number();
      if (v.dato1 % 50 != 0) return abbandona(3, record);
      if (v.dato2 % 50 != 0) return abbandona(4, record);
      if (contiene(campo, "4")) v.dato3 = 4;
      else if (contiene(campo, "9")) v.dato3 = 9;
      else return abbandona(5, record);
      if (v.dato2 == 0) v.dato3 = 0;
    }
    if (chiude_generale(campo)) break;
  }

  progressive_ordina(m, ultima_progressiva);

  if (m.celle.empty())
    throw ReadFailure(r.offset(), "no route length (lunghezza percorso) before the body");
  StatoLinea st;
  std::size_t ultima_pendenza = Diagnosi::npos;  // where a failure of the finishing write is shown
  m.num_montagne = 0;
  const bool piano = m.scrivi_linea != 0;
  if (piano) semina_piano(m.tracciato);

  // Body. Every record's position is checked against the cells; a position
  // beyond them ends the body with error 15, but the finishing and the train
  // description still follow.
  auto record_corpo = [&]() -> Esito {
    const std::string_view campo = m.campo;
    const std::size_t record = r.field_start();
    auto fuori = [&](std::int32_t p, std::int64_t cella_minima) {
      if (!oltre_le_celle(m, p, record) && cella_minima >= 0) return false;
      registra(m, linea, 15, record, p);
      return true;
    };

    if (contiene_ci(campo, "pendenza")) {
      const std::int32_t p = r.number(), g = r.number();
      if (fuori(p, 0)) return Esito::fine_corpo;
      registra_pendenza(m, st, p, g, record);
      ultima_pendenza = record;
    }
    if (piano && contiene_ci(campo, "curva")) {
      const std::int32_t s = r.number(), n = r.number();
      if (fuori(s, 0)) return Esito::fine_corpo;
      const double k = curvatura(campo);
      if (k == 0.0 || !posa_curva(m, st, s, n, k, record)) {
        abbandona(103, record);
        return Esito::abbandona;
      }
    }
    if (contiene_ci(campo, "montagna")) {
      const std::int32_t inizio = r.number(), fine = r.number(), tipo = r.number();
      if (fuori(inizio, 0)) return Esito::fine_corpo;
      memo_montagna(m, inizio, fine, tipo, record);
    }
    if (contiene_ci(campo, "indicatori_v")) {
      std::int32_t v[9];
      for (std::int32_t& x : v) x = r.number();
      if (fuori(v[0], cella_di(v[0]))) return Esito::fine_corpo;
      memo_indicatori_v_max(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], record);
      if (m.numero_errore > 0) {
        m.posizione_errore = v[0];
        abbandona(m.numero_errore, record);
        return Esito::abbandona;
      }
    }
    if (contiene_ci(campo, "cartello") && contiene_ci(campo, "indicat")) {
      const std::int32_t p = r.number();
      const std::string_view testo_cartello = r.text();
      if (fuori(p, cella_di(p))) return Esito::fine_corpo;
      if (!memo_cartello(m, st, p, testo_cartello, record)) {
        m.posizione_errore = p;
        abbandona(6, record);
        return Esito::abbandona;
      }
    }
    return Esito::avanti;
  };

  for (;;) {
    if (r.eof()) break;
    m.campo = r.text();
    if (r.eof()) break;
    bool finito = false;
    for (int k = 0; k < commenti_corpo && contiene(m.campo, "-"); ++k) {
      m.campo = r.text();
      if (r.eof()) {
        finito = true;
        break;
      }
    }
    if (finito) break;
    const Esito esito = record_corpo();
    if (esito == Esito::abbandona) return false;
    if (esito == Esito::fine_corpo) break;
  }

  // Finishing.
  letto();
  completa_pendenze(m, st, ultima_pendenza);
  if (piano) completa_piano(m, st);
  puntatore_cartelli = st.puntatore_cartelli;
  return true;
}

}  // namespace scenario
