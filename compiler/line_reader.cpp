// The line half of memorizza_dati: general section, body records, finishing.
#include <functional>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/line_features.h"
#include "model/format_constants.h"
#include "compiler/reader.h"
#include "compiler/rounding.h"
#include "compiler/row_watch.h"
#include "compiler/text_layout.h"
#include "compiler/text_match.h"

namespace scenario {
namespace {

constexpr int commenti_generale = 10;
constexpr int commenti_corpo = 2;

void crea_celle(Modello& m, std::int32_t lunghezza, std::size_t offset) {
  // A line of no length would be all run-out beyond its end: refused.
  if (lunghezza <= 0)
    throw ReadFailure(offset, "route length " + std::to_string(lunghezza) + ": must be positive");
  m.lunghezza_totale = lunghezza + metri_oltre;
  m.ultima_cella = static_cast<std::int32_t>(nearest(m.lunghezza_totale / 50.0));
  m.celle.assign(static_cast<std::size_t>(m.ultima_cella) + 1, cella{});
  m.origins.cells.assign(m.celle.size(), CellOrigin{});
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
    record_error(m, ScenarioError::line_text_missing, {Text::linea, 0, 0});
    return false;
  }
  const std::string bytes = testo.read();
  return leggi_linea_testo(m, bytes, puntatore_cartelli, [&] { testo.discard(); });
}

namespace {

bool leggi_linea_osservata(Modello& m, std::string_view testo, RowWatch& watch,
                           std::int32_t& puntatore_cartelli, const std::function<void()>& letto) {
  FieldReader r(testo);
  auto& tabella = m.tabella_percorso;
  watch.check_encoding();

  auto abbandona = [&](ScenarioError e, TextSpan at) {
    letto();
    record_error(m, e, at);
    return false;
  };

  // Everything before the "[generale]" field is skipped untested. An empty
  // text has none either.
  for (;;) {
    if (r.eof()) return abbandona(ScenarioError::no_general_section, {Text::linea, 0, 0});
    m.campo = r.text();
    if (r.eof()) {
      if (!contiene_ci(m.campo, "[generale]"))
        return abbandona(ScenarioError::no_general_section, {Text::linea, 0, 0});
      abbandona(ScenarioError::no_general_section, {Text::linea, r.field_start(), m.campo.size()});
      recorded_error(m)->notes.push_back(
          {TextSpan{}, "the text's last field is never read, not even [generale]"});
      return false;
    }
    if (contiene_ci(m.campo, "[generale]")) break;
    watch.skipped(r, m.campo);
  }
  watch.found_generale();

  // General section.
  for (;;) {
    if (r.eof()) break;
    m.campo = r.text();
    if (r.eof()) break;
    for (int k = 0; k < commenti_generale && contiene(m.campo, "-"); ++k) m.campo = r.text();
    const std::string_view campo = m.campo;
    watch.keyword(r, campo, Section::general);

    if (contiene_ci(campo, "percorso") && contiene_ci(campo, "lunghezza")) {
      watch.record("lunghezza percorso", 1);
      const std::int32_t lunghezza = r.number();
      tabella[voce::treno].dato2 = lunghezza;
      watch.wrote_entry(voce::treno);
      if (lunghezza > lunghezza_massima)
        return abbandona(ScenarioError::route_too_long, watch.value(0));
      crea_celle(m, lunghezza, r.field_start());
    }
    if (contiene(campo, "tre") && contiene(campo, "progressiva")) {
      watch.record("progressiva", 3);
      leggi_progressiva(r, tabella[voce::progressiva_tre]);
      watch.wrote_entry(voce::progressiva_tre);
    }
    if (contiene(campo, "due") && contiene(campo, "progressiva")) {
      watch.record("progressiva", 3);
      leggi_progressiva(r, tabella[voce::progressiva_due]);
      watch.wrote_entry(voce::progressiva_due);
    }
    if (contiene(campo, "uno") && contiene(campo, "progressiva")) {
      watch.record("progressiva", 3);
      leggi_progressiva(r, tabella[voce::progressiva_uno]);
      watch.wrote_entry(voce::progressiva_uno);
    }
    // Background two and three go to dato3 and dato2, in that crossed order.
    if (contiene(campo, "sfondo") && contiene(campo, "uno")) {
      watch.record("sfondo", 1);
      tabella[voce::scenario].dato1 = r.number();
    }
    if (contiene(campo, "sfondo") && contiene(campo, "due")) {
      watch.record("sfondo", 1);
      tabella[voce::scenario].dato3 = r.number();
    }
    if (contiene(campo, "sfondo") && contiene(campo, "tre")) {
      watch.record("sfondo", 1);
      tabella[voce::scenario].dato2 = r.number();
    }
    if (contiene(campo, "segnali") && contiene(campo, "ripetizione")) {
      watch.record("ripetizione segnali", 2);
      voce_percorso& v = tabella[voce::ripetizione];
      v.dato1 = r.number();
      v.dato2 = r.number();
      if (v.dato1 % 50 != 0)
        return abbandona(ScenarioError::repetition_start_not_multiple_of_50, watch.value(0));
      if (v.dato2 % 50 != 0)
        return abbandona(ScenarioError::repetition_end_not_multiple_of_50, watch.value(1));
      if (contiene(campo, "4")) v.dato3 = 4;
      else if (contiene(campo, "9")) v.dato3 = 9;
      else return abbandona(ScenarioError::repetition_without_code_count, watch.row());
      if (v.dato2 == 0) v.dato3 = 0;
    }
    watch.row_done(r);
    if (chiude_generale(campo)) break;
  }

  progressive_ordina(m);

  if (m.celle.empty())
    throw ReadFailure(r.offset(), "no route length (lunghezza percorso) before the body");
  StatoLinea st;
  std::size_t ultima_pendenza = TextSpan::npos;  // where a failure of the finishing write is shown
  m.num_montagne = 0;
  const bool piano = m.scrivi_linea != 0;
  if (piano) semina_piano(m.tracciato);
  watch.set_plan(piano);

  // Body. Every record's position is checked against the cells; a position
  // beyond them ends the body with error 15, but the finishing and the train
  // description still follow.
  auto record_corpo = [&]() -> Esito {
    const std::string_view campo = m.campo;
    const RowRef riga = watch.row_ref();
    auto fuori = [&](std::int32_t p, std::int64_t cella_minima) {
      if (!oltre_le_celle(m, p, riga.offset()) && cella_minima >= 0) return false;
      Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
      d.notes.push_back({TextSpan{}, "the line description's records after this one were not read"});
      return true;
    };
    // A refused feature abandons the reading.
    auto rifiuta = [&](const Refusal& rifiuto, std::int32_t p) {
      letto();
      record_refusal(m, rifiuto, watch.value(0), p);
      return Esito::abbandona;
    };

    if (contiene_ci(campo, "pendenza")) {
      watch.record("pendenza", 2);
      const std::int32_t p = r.number(), g = r.number();
      if (fuori(p, 0)) return Esito::fine_corpo;
      watch.gradient(st, p);
      watch.placed(p);
      registra_pendenza(m, st, p, g, riga);
      ultima_pendenza = riga.offset();
    }
    if (piano && contiene_ci(campo, "curva")) {
      watch.record("curva", 2);
      const std::int32_t s = r.number(), n = r.number();
      if (fuori(s, 0)) return Esito::fine_corpo;
      const double k = curvatura(campo);
      if (k != 0.0) watch.curve(st, campo, k, s, n);
      if (k == 0.0 || !posa_curva(m, st, s, n, k, watch.row().offset)) {
        abbandona(ScenarioError::curve_without_class, watch.row());
        return Esito::abbandona;
      }
    }
    if (contiene_ci(campo, "montagna")) {
      watch.record("montagna", 3);
      const std::int32_t inizio = r.number(), fine = r.number(), tipo = r.number();
      if (fuori(inizio, 0)) return Esito::fine_corpo;
      watch.mountain(inizio, fine);
      memo_montagna(m, inizio, fine, tipo, riga);
    }
    if (contiene_ci(campo, "indicatori_v")) {
      watch.record("indicatori_vmax", 9);
      std::int32_t v[9];
      for (std::int32_t& x : v) x = r.number();
      if (fuori(v[0], cella_di(v[0]))) return Esito::fine_corpo;
      watch.placed(v[0]);
      if (const auto rifiuto =
              memo_indicatori_v_max(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], riga))
        return rifiuta(*rifiuto, v[0]);
    }
    if (contiene_ci(campo, "cartello") && contiene_ci(campo, "indicat")) {
      watch.record("cartello indicatore", 2);
      const std::int32_t p = r.number();
      const std::string_view testo_cartello = r.text();
      if (fuori(p, cella_di(p))) return Esito::fine_corpo;
      watch.placed(p);
      if (const auto rifiuto = memo_cartello(m, st, p, testo_cartello, riga))
        return rifiuta(*rifiuto, p);
    }
    watch.row_done(r);
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
    watch.keyword(r, m.campo, Section::body);
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

}  // namespace

bool leggi_linea_testo(Modello& m, std::string_view testo, std::int32_t& puntatore_cartelli,
                       const std::function<void()>& letto) {
  RowWatch watch(m, Text::linea, testo);
  try {
    const bool letta = leggi_linea_osservata(m, testo, watch, puntatore_cartelli, letto);
    check_layout(m, Text::linea, testo);
    return letta;
  } catch (const ReadFailure& e) {
    watch.unreadable(e);
    check_layout(m, Text::linea, testo);
    throw;
  }
}

}  // namespace scenario
