// The line half of memorizza_dati: general section, body records, finishing.
#include <functional>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/keyword_fields.h"
#include "compiler/line_features.h"
#include "model/format_constants.h"
#include "compiler/reader.h"
#include "compiler/records.h"
#include "compiler/rounding.h"
#include "compiler/row_watch.h"
#include "compiler/text_layout.h"
#include "compiler/text_match.h"
#include "compiler/value_checks.h"

namespace scenario {
namespace {

void crea_celle(Modello& m, std::int32_t lunghezza, std::size_t offset) {
  // A line of no length would be all run-out beyond its end: refused.
  if (lunghezza <= 0)
    throw ReadFailure(offset, "route length " + std::to_string(lunghezza) + ": must be positive");
  m.lunghezza_totale = lunghezza + metri_oltre;
  m.ultima_cella = static_cast<std::int32_t>(nearest(m.lunghezza_totale / 50.0));
  m.celle.assign(static_cast<std::size_t>(m.ultima_cella) + 1, cella{});
  m.origins.cells.assign(m.celle.size(), CellOrigin{});
  if (m.scrivi_linea != 0 && m.plan_wanted) m.tracciato.crea(m.lunghezza_totale);
}

enum class Outcome { avanti, fine_corpo, abbandona };

// The line reader's state while it reads one text.
struct LetturaLinea {
  Modello& m;
  FieldReader& r;
  RowWatch& watch;
  const std::function<void()>& letto;
  std::string_view campo;  // the keyword field of the row in hand
  LineState st;
  bool piano = false;
  std::size_t ultima_pendenza = TextSpan::npos;  // where a failure of the finishing write is shown
  RepeatedRecords ripetuti{m};

  voce_percorso& voce(int i) { return m.tabella_percorso[static_cast<std::size_t>(i)]; }

  Outcome abbandona(ScenarioError e, TextSpan at) {
    letto();
    record_error(m, e, at);
    return Outcome::abbandona;
  }

  // A body record at p beyond the cells (or whose cell lies before cell 0)
  // ends the body with error 15; the finishing and the train description
  // still follow.
  bool fuori(std::int32_t p, std::int64_t cella_minima) {
    if (!oltre_le_celle(m, p, watch.row_ref().offset()) && cella_minima >= 0) return false;
    Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the line description's records after this one were not read"});
    return true;
  }

  // A refused feature abandons the reading.
  Outcome rifiuta(const Refusal& rifiuto, std::int32_t p) {
    letto();
    record_refusal(m, rifiuto, watch.value(0), p);
    return Outcome::abbandona;
  }
};

// General section.

Outcome leggi_lunghezza(LetturaLinea& l, const RecordInfo&) {
  const std::int32_t lunghezza = l.r.number();
  l.voce(voce::treno).dato2 = lunghezza;
  l.watch.wrote_entry(voce::treno);
  if (lunghezza > lunghezza_massima)
    return l.abbandona(ScenarioError::route_too_long, l.watch.value(0));
  crea_celle(l.m, lunghezza, l.r.field_start());
  return Outcome::avanti;
}

Outcome leggi_progressiva(LetturaLinea& l, const RecordInfo& rec) {
  const int i = rec.id == RecordId::progressiva_tre   ? voce::progressiva_tre
                : rec.id == RecordId::progressiva_due ? voce::progressiva_due
                                                      : voce::progressiva_uno;
  voce_percorso& v = l.voce(i);
  v.dato1 = l.r.number();
  v.dato2 = l.r.number();
  v.dato3 = l.r.number();
  l.watch.wrote_entry(i);
  check_range(l.m, rec, 2, v.dato3, l.watch.value(2));
  return Outcome::avanti;
}

// Background two and three go to dato3 and dato2, in that crossed order.
Outcome leggi_sfondo(LetturaLinea& l, const RecordInfo& rec) {
  voce_percorso& v = l.voce(voce::scenario);
  (rec.id == RecordId::sfondo_uno ? v.dato1 : rec.id == RecordId::sfondo_due ? v.dato3 : v.dato2) =
      l.r.number();
  return Outcome::avanti;
}

Outcome leggi_ripetizione(LetturaLinea& l, const RecordInfo&) {
  voce_percorso& v = l.voce(voce::ripetizione);
  v.dato1 = l.r.number();
  v.dato2 = l.r.number();
  if (v.dato1 % 50 != 0)
    return l.abbandona(ScenarioError::repetition_start_not_multiple_of_50, l.watch.value(0));
  if (v.dato2 % 50 != 0)
    return l.abbandona(ScenarioError::repetition_end_not_multiple_of_50, l.watch.value(1));
  // The number of codes is the first digit of the list the keyword holds.
  const char* codici = nullptr;
  for (const char& c : repetition_codes)
    if (!codici && contiene(l.campo, std::string_view(&c, 1))) codici = &c;
  if (!codici) return l.abbandona(ScenarioError::repetition_without_code_count, l.watch.row());
  v.dato3 = v.dato2 == 0 ? 0 : *codici - '0';
  check_repetition_stretch(l.m, v.dato1, v.dato2, l.watch.value(1));
  return Outcome::avanti;
}

// Body.

Outcome leggi_pendenza(LetturaLinea& l, const RecordInfo& rec) {
  const RowRef riga = l.watch.row_ref();
  const std::int32_t p = l.r.number(), g = l.r.number();
  if (l.fuori(p, 0)) return Outcome::fine_corpo;
  check_range(l.m, rec, 1, g, l.watch.value(1));
  l.watch.gradient(l.st, p);
  l.watch.placed(p);
  record_gradient(l.m, l.st, p, g, riga);
  l.ultima_pendenza = riga.offset();
  return Outcome::avanti;
}

Outcome leggi_curva(LetturaLinea& l, const RecordInfo&) {
  const std::int32_t s = l.r.number(), n = l.r.number();
  if (l.fuori(s, 0)) return Outcome::fine_corpo;
  const double k = curvatura(l.campo);
  if (k != 0.0) l.watch.curve(l.st, l.campo, k, s, n);
  if (k == 0.0 || !lay_curve(l.m, l.st, s, n, k, l.watch.row().offset))
    return l.abbandona(ScenarioError::curve_without_class, l.watch.row());
  return Outcome::avanti;
}

Outcome leggi_montagna(LetturaLinea& l, const RecordInfo& rec) {
  const std::int32_t inizio = l.r.number(), fine = l.r.number(), tipo = l.r.number();
  if (l.fuori(inizio, 0)) return Outcome::fine_corpo;
  // The type as stored: above 10 it is tipo - 10 with markers.
  check_range(l.m, rec, 2, tipo > 10 ? std::int64_t{tipo} - 10 : tipo, l.watch.value(2));
  l.watch.mountain(inizio, fine);
  memo_montagna(l.m, inizio, fine, tipo, l.watch.row_ref());
  return Outcome::avanti;
}

Outcome leggi_indicatori(LetturaLinea& l, const RecordInfo&) {
  std::int32_t v[9];
  for (std::int32_t& x : v) x = l.r.number();
  if (l.fuori(v[0], cella_di(v[0]))) return Outcome::fine_corpo;
  l.watch.placed(v[0]);
  if (const auto rifiuto = memo_indicatori_v_max(l.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                                                 v[7], v[8], l.watch.row_ref()))
    return l.rifiuta(*rifiuto, v[0]);
  return Outcome::avanti;
}

Outcome leggi_cartello(LetturaLinea& l, const RecordInfo&) {
  const std::int32_t p = l.r.number();
  const std::string_view testo_cartello = l.r.text();
  if (l.fuori(p, cella_di(p))) return Outcome::fine_corpo;
  l.watch.placed(p);
  if (const auto rifiuto = memo_cartello(l.m, l.st, p, testo_cartello, l.watch.row_ref()))
    return l.rifiuta(*rifiuto, p);
  return Outcome::avanti;
}

Outcome leggi_record(LetturaLinea& l, const RecordInfo& rec) {
  switch (rec.id) {
    case RecordId::lunghezza: return leggi_lunghezza(l, rec);
    case RecordId::progressiva_tre:
    case RecordId::progressiva_due:
    case RecordId::progressiva_uno: return leggi_progressiva(l, rec);
    case RecordId::sfondo_uno:
    case RecordId::sfondo_due:
    case RecordId::sfondo_tre: return leggi_sfondo(l, rec);
    case RecordId::ripetizione: return leggi_ripetizione(l, rec);
    case RecordId::pendenza: return leggi_pendenza(l, rec);
    case RecordId::curva: return leggi_curva(l, rec);
    case RecordId::montagna: return leggi_montagna(l, rec);
    case RecordId::indicatori: return leggi_indicatori(l, rec);
    case RecordId::cartello: return leggi_cartello(l, rec);
    default: return Outcome::avanti;  // a train description row: never tested here
  }
}

// Every record of `s` whose test the keyword field passes, in test order.
// The curve is a record only while the plan is built.
Outcome leggi_riga(LetturaLinea& l, Section s) {
  const std::uint32_t passed = match_mask(s, l.campo);
  const std::span<const RecordInfo> in = records_in(s);
  for (std::size_t i = 0; i < in.size(); ++i) {
    const RecordInfo& rec = in[i];
    if ((passed >> i & 1u) == 0 || (rec.id == RecordId::curva && !l.piano)) continue;
    l.watch.record(rec);
    l.ripetuti.seen(rec, l.watch.row());
    const Outcome e = leggi_record(l, rec);
    if (e != Outcome::avanti) return e;
  }
  l.watch.row_done(l.r);
  return Outcome::avanti;
}

}  // namespace

bool read_line(Modello& m, DescriptionText& testo, std::int32_t& puntatore_cartelli) {
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
  LetturaLinea l{m, r, watch, letto, {}, {}};
  watch.follow(r);
  watch.check_encoding();

  // Everything before the "[generale]" field is skipped untested. An empty
  // text has none either.
  const KeywordField generale =
      find_generale(r, Text::linea, [&](std::string_view f) { watch.skipped(r, f); });
  if (!generale.keyword) {
    if (generale.text.empty()) {
      l.abbandona(ScenarioError::no_general_section, {Text::linea, 0, 0});
      return false;
    }
    l.abbandona(ScenarioError::no_general_section,
                {Text::linea, r.field_start(), generale.text.size()});
    recorded_error(m)->notes.push_back(
        {TextSpan{}, "the text's last field is never read, not even [generale]"});
    return false;
  }
  watch.found_generale();

  // General section: it ends at a bracketed field, read as a keyword first.
  for (;;) {
    const KeywordField k = next_keyword(r, Section::general);
    if (!k.keyword) break;
    l.campo = k.text;
    watch.keyword(r, l.campo, Section::general);
    if (leggi_riga(l, Section::general) != Outcome::avanti) return false;
    if (closes_general(l.campo)) break;
  }

  progressive_ordina(m);

  if (m.celle.empty())
    throw ReadFailure(r.offset(), "no route length (" + std::string(record(RecordId::lunghezza).keyword) +
                                      ") before the body");
  m.num_montagne = 0;
  l.piano = m.scrivi_linea != 0;
  if (l.piano) {
    seed_plan(m.tracciato);
    foresee_plan(m);
  }
  watch.set_plan(l.piano);

  // Body. Every record's position is checked against the cells; a position
  // beyond them ends the body with error 15, but the finishing and the train
  // description still follow.
  for (;;) {
    const KeywordField k = next_keyword(r, Section::body);
    if (!k.keyword) break;
    l.campo = k.text;
    watch.keyword(r, l.campo, Section::body);
    const Outcome esito = leggi_riga(l, Section::body);
    if (esito == Outcome::abbandona) return false;
    if (esito == Outcome::fine_corpo) break;
  }

  // Finishing.
  letto();
  complete_gradients(m, l.st, l.ultima_pendenza);
  if (l.piano) complete_plan(m, l.st);
  puntatore_cartelli = l.st.puntatore_cartelli;
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
