// The line half of memorizza_dati: general section, body records, finishing.
#include <functional>
#include <string>

#include "text/field_reader.h"
#include "compiler/diagnose.h"
#include "compiler/line_features.h"
#include "model/format_constants.h"
#include "compiler/reader.h"
#include "rows/records.h"
#include "rows/row_list.h"
#include "compiler/rounding.h"
#include "compiler/row_loop.h"
#include "compiler/row_watch.h"
#include "compiler/text_layout.h"
#include "rows/text_match.h"
#include "compiler/value_checks.h"

namespace scenario {
namespace {

void create_cells(Modello& m, std::int32_t length, std::size_t offset) {
  // A line of no length would be all run-out beyond its end: refused.
  if (length <= 0)
    throw ReadFailure(offset, "route length " + std::to_string(length) + ": must be positive");
  m.lunghezza_totale = length + metri_oltre;
  m.ultima_cella = static_cast<std::int32_t>(nearest(m.lunghezza_totale / 50.0));
  m.celle.assign(static_cast<std::size_t>(m.ultima_cella) + 1, cella{});
  m.origins.cells.reset(m.celle.size());
  if (m.scrivi_linea != 0 && m.plan_wanted) m.tracciato.crea(m.lunghezza_totale);
}

// The line reader's state while it reads one text.
struct LineReading {
  Modello& m;
  const RowList& rows;
  RowWatch& watch;
  const std::function<void()>& done_with_text;
  std::size_t row = 0;  // the row in hand
  LineState st;
  std::size_t last_gradient = TextSpan::npos;  // where a failure of the finishing write is shown
  RepeatedRecords repeated{m};

  voce_percorso& entry(int i) { return m.tabella_percorso[static_cast<std::size_t>(i)]; }
  std::int32_t number(std::size_t i) const { return rows.number(row, i); }
  std::string_view keyword() const { return rows.text_of(rows.rows[row].keyword); }

  RowOutcome abandon(ScenarioError e, TextSpan at) {
    done_with_text();
    record_error(m, e, at);
    return RowOutcome::abandon;
  }

  // A body record at p beyond the cells (or whose cell lies before cell 0)
  // ends the body with error 15; the finishing and the train description
  // still follow.
  bool beyond_track(std::int32_t p, std::int64_t lowest_cell) {
    if (!oltre_le_celle(m, p, watch.row_ref().offset()) && lowest_cell >= 0) return false;
    Diagnostic& d = record_error(m, ScenarioError::beyond_the_track, watch.value(0), p);
    d.notes.push_back({TextSpan{}, "the line description's records after this one were not read"});
    return true;
  }

  // A refused feature abandons the reading.
  RowOutcome refuse(const Refusal& refusal, std::int32_t p) {
    done_with_text();
    record_refusal(m, refusal, watch.value(0), p);
    return RowOutcome::abandon;
  }
};

// General section.

RowOutcome read_route_length(LineReading& l, const RecordInfo&) {
  const std::int32_t length = l.number(0);
  l.entry(voce::treno).dato2 = length;
  l.watch.wrote_entry(voce::treno);
  if (length > lunghezza_massima)
    return l.abandon(ScenarioError::route_too_long, l.watch.value(0));
  create_cells(l.m, length, l.rows.values_of(l.row)[0].offset);
  return RowOutcome::next;
}

RowOutcome read_progressive(LineReading& l, const RecordInfo& rec) {
  const int i = rec.id == RecordId::progressiva_tre   ? voce::progressiva_tre
                : rec.id == RecordId::progressiva_due ? voce::progressiva_due
                                                      : voce::progressiva_uno;
  voce_percorso& v = l.entry(i);
  v.dato1 = l.number(0);
  v.dato2 = l.number(1);
  v.dato3 = l.number(2);
  l.watch.wrote_entry(i);
  check_range(l.m, rec, 2, v.dato3, l.watch.value(2));
  return RowOutcome::next;
}

// Background two and three go to dato3 and dato2, in that crossed order.
RowOutcome read_background(LineReading& l, const RecordInfo& rec) {
  voce_percorso& v = l.entry(voce::scenario);
  (rec.id == RecordId::sfondo_uno ? v.dato1 : rec.id == RecordId::sfondo_due ? v.dato3 : v.dato2) =
      l.number(0);
  return RowOutcome::next;
}

RowOutcome read_repetition(LineReading& l, const RecordInfo&) {
  voce_percorso& v = l.entry(voce::ripetizione);
  v.dato1 = l.number(0);
  v.dato2 = l.number(1);
  if (v.dato1 % 50 != 0)
    return l.abandon(ScenarioError::repetition_start_not_multiple_of_50, l.watch.value(0));
  if (v.dato2 % 50 != 0)
    return l.abandon(ScenarioError::repetition_end_not_multiple_of_50, l.watch.value(1));
  // The number of codes is the first digit of the list the keyword holds.
  const char* codes = nullptr;
  for (const char& c : repetition_codes)
    if (!codes && contiene(l.keyword(), std::string_view(&c, 1))) codes = &c;
  if (!codes) return l.abandon(ScenarioError::repetition_without_code_count, l.watch.row());
  v.dato3 = v.dato2 == 0 ? 0 : *codes - '0';
  check_repetition_stretch(l.m, v.dato1, v.dato2, l.watch.value(1));
  return RowOutcome::next;
}

// Body.

RowOutcome read_gradient(LineReading& l, const RecordInfo& rec) {
  const RowRef row = l.watch.row_ref();
  const std::int32_t p = l.number(0), g = l.number(1);
  if (l.beyond_track(p, 0)) return RowOutcome::end;
  check_range(l.m, rec, 1, g, l.watch.value(1));
  l.watch.gradient(l.st, p);
  l.watch.placed(p);
  record_gradient(l.m, l.st, p, g, row);
  l.last_gradient = row.offset();
  return RowOutcome::next;
}

RowOutcome read_curve(LineReading& l, const RecordInfo&) {
  const std::int32_t s = l.number(0), n = l.number(1);
  if (l.beyond_track(s, 0)) return RowOutcome::end;
  const double k = curvatura(l.keyword());
  if (k != 0.0) l.watch.curve(l.st, l.keyword(), k, s, n);
  if (k == 0.0 || !lay_curve(l.m, l.st, s, n, k, l.watch.row().offset))
    return l.abandon(ScenarioError::curve_without_class, l.watch.row());
  return RowOutcome::next;
}

RowOutcome read_mountain(LineReading& l, const RecordInfo& rec) {
  const std::int32_t inizio = l.number(0), fine = l.number(1), tipo = l.number(2);
  if (l.beyond_track(inizio, 0)) return RowOutcome::end;
  // The type as stored: above 10 it is tipo - 10 with markers.
  check_range(l.m, rec, 2, tipo > 10 ? std::int64_t{tipo} - 10 : tipo, l.watch.value(2));
  l.watch.mountain(inizio, fine);
  memo_montagna(l.m, inizio, fine, tipo, l.watch.row_ref());
  return RowOutcome::next;
}

RowOutcome read_speed_board(LineReading& l, const RecordInfo&) {
  std::int32_t v[9];
  for (std::size_t i = 0; i < 9; ++i) v[i] = l.number(i);
  if (l.beyond_track(v[0], cella_di(v[0]))) return RowOutcome::end;
  l.watch.placed(v[0]);
  if (const auto refusal = memo_indicatori_v_max(l.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                                                 v[7], v[8], l.watch.row_ref()))
    return l.refuse(*refusal, v[0]);
  return RowOutcome::next;
}

RowOutcome read_text_board(LineReading& l, const RecordInfo&) {
  const std::int32_t p = l.number(0);
  const std::string_view board_text = l.rows.text_value(l.row, 1);
  if (l.beyond_track(p, cella_di(p))) return RowOutcome::end;
  l.watch.placed(p);
  if (const auto refusal = memo_cartello(l.m, l.st, p, board_text, l.watch.row_ref()))
    return l.refuse(*refusal, p);
  return RowOutcome::next;
}

RowOutcome read_record(LineReading& l, std::size_t row) {
  l.row = row;
  const RecordInfo& rec = *l.rows.rows[row].record;
  switch (rec.id) {
    case RecordId::lunghezza: return read_route_length(l, rec);
    case RecordId::progressiva_tre:
    case RecordId::progressiva_due:
    case RecordId::progressiva_uno: return read_progressive(l, rec);
    case RecordId::sfondo_uno:
    case RecordId::sfondo_due:
    case RecordId::sfondo_tre: return read_background(l, rec);
    case RecordId::ripetizione: return read_repetition(l, rec);
    case RecordId::pendenza: return read_gradient(l, rec);
    case RecordId::curva: return read_curve(l, rec);
    case RecordId::montagna: return read_mountain(l, rec);
    case RecordId::indicatori: return read_speed_board(l, rec);
    case RecordId::cartello: return read_text_board(l, rec);
    default: return RowOutcome::next;  // a train description row: never read here
  }
}

bool read_line_rows(Modello& m, const RowList& rows, RowWatch& watch,
                    std::int32_t& board_pointer, const std::function<void()>& done_with_text) {
  LineReading l{m, rows, watch, done_with_text, 0, {}};
  watch.check_encoding();

  // Everything before the "[generale]" field is skipped untested. An empty
  // text has none either.
  if (!rows.generale_read) {
    if (!rows.generale) {
      l.abandon(ScenarioError::no_general_section, {Text::linea, 0, 0});
      return false;
    }
    l.abandon(ScenarioError::no_general_section,
              {Text::linea, rows.generale->offset, rows.text_of(*rows.generale).size()});
    recorded_error(m)->notes.push_back(
        {TextSpan{}, "the text's last field is never read, not even [generale]"});
    return false;
  }
  watch.found_generale();

  const auto act = [&](std::size_t row) { return read_record(l, row); };
  // General section: it ends at a bracketed field, read as a keyword first.
  std::size_t i = 0;
  if (act_on_rows(rows, i, Section::general, watch, l.repeated, act, closes_general) !=
      RowOutcome::next)
    return false;

  progressive_ordina(m);

  if (m.celle.empty())
    throw ReadFailure(rows.general_end, "no route length (" +
                                            std::string(record(RecordId::lunghezza).keyword) +
                                            ") before the body");
  m.num_montagne = 0;
  const bool plan = m.scrivi_linea != 0;
  if (plan) {
    seed_plan(m.tracciato);
    foresee_plan(m);
  }

  // Body. Every record's position is checked against the cells; a position
  // beyond them ends the body with error 15, but the finishing and the train
  // description still follow.
  const RowOutcome body = act_on_rows(rows, i, Section::body, watch, l.repeated, act,
                                      [](std::string_view) { return false; });
  if (body == RowOutcome::abandon) return false;

  // Finishing.
  done_with_text();
  complete_gradients(m, l.st, l.last_gradient);
  if (plan) complete_plan(m, l.st);
  board_pointer = l.st.puntatore_cartelli;
  return true;
}

bool read_line_of(Modello& m, const RowList& rows, std::int32_t& board_pointer,
                  const std::function<void()>& done_with_text) {
  const std::string_view text = rows.source;
  RowWatch watch(m, rows, text);
  try {
    const bool read = read_line_rows(m, rows, watch, board_pointer, done_with_text);
    check_layout(m, Text::linea, text);
    return read;
  } catch (const ReadFailure& e) {
    watch.unreadable(e);
    check_layout(m, Text::linea, text);
    throw;
  }
}

}  // namespace

bool read_line(Modello& m, DescriptionText& text, std::int32_t& board_pointer,
               std::shared_ptr<const RowList>& rows) {
  std::shared_ptr<const RowList> given = std::move(rows);
  if (!text.exists()) {
    record_error(m, ScenarioError::line_text_missing, {Text::linea, 0, 0});
    return false;
  }
  rows = rows_of(text.read(), Text::linea, m.scrivi_linea != 0, std::move(given));
  return read_line_of(m, *rows, board_pointer, [&] { text.discard(); });
}

bool read_line_text(Modello& m, std::string_view text, std::int32_t& board_pointer,
                    const std::function<void()>& done_with_text) {
  return read_line_of(m, read_rows(text, Text::linea, m.scrivi_linea != 0), board_pointer,
                      done_with_text);
}

}  // namespace scenario
