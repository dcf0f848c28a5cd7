#include "lsp/features.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "compiler/line_features.h"
#include "compiler/rounding.h"
#include "compiler/row_scan.h"
#include "compiler/signals.h"
#include "compiler/timetable.h"
#include "lsp/json_text.h"
#include "model/cell_kinds.h"
#include "model/errors.h"
#include "model/format_constants.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"

namespace lsp {

using nlohmann::json;
using namespace scenario;

json position_json(Position p) { return {{"line", p.line}, {"character", p.character}}; }

json range_json(const LineIndex& index, std::size_t from, std::size_t to) {
  return {{"start", position_json(index.position(from))}, {"end", position_json(index.position(to))}};
}

namespace {

// A UTF-8 text in Markdown: every ASCII punctuation mark escaped.
std::string markdown_text(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    if (std::string_view("\\`*_{}[]<>()#+-.!|~").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string metres_of_cell(std::int64_t c) {
  return std::to_string((c - 1) * metri_per_cella) + " to " + std::to_string(c * metri_per_cella) +
         " m";
}

// What the compiled cell holds, in words.
std::string cell_contents(const Modello& m, std::size_t c) {
  const cella& k = m.celle[c];
  auto entry_text = [&](std::int16_t e) -> std::string {
    if (e < 1 || e >= voce::numero) return "";
    return to_utf8(m.tabella_percorso[static_cast<std::size_t>(e)].testo);
  };
  std::vector<std::string> parts;
  bool values = true;
  switch (k.tipo_cella) {
    case tipo::vuota: parts.push_back("no feature"); break;
    case tipo::fermata:
      parts.push_back("stop cell of station " + entry_text(k.valore_a) + " (route entry " +
                      std::to_string(k.valore_a) + ")");
      values = false;
      break;
    case tipo::abbattimento_con_valore: parts.push_back("abbattimento point"); break;
    case tipo::abbattimento: parts.push_back("abbattimento point without value"); break;
    case tipo::cartello:
      parts.push_back("text board \"" + entry_text(k.valore_a) + "\" (route entry " +
                      std::to_string(k.valore_a) + ")");
      values = false;
      break;
    default:
      if (const CellKindNames* n = cell_kind(k.tipo_cella)) parts.push_back(std::string(n->name));
      else parts.push_back("feature of kind " + std::to_string(k.tipo_cella));
      break;
  }
  if (values) {
    const std::pair<const char*, std::int16_t> v[] = {
        {"valore_a", k.valore_a}, {"valore_b", k.valore_b}, {"valore_c", k.valore_c},
        {"valore_d", k.valore_d}};
    for (const auto& [name, value] : v)
      if (value != 0) parts.push_back(std::string(name) + " " + std::to_string(value));
  }
  if (k.tempo_segnale != 0) parts.push_back("tempo " + std::to_string(k.tempo_segnale));
  if (k.preavviso != 0) parts.push_back("preavviso " + std::to_string(k.preavviso));
  if (k.codice_montagna != 0) parts.push_back("mountain type " + std::to_string(k.codice_montagna));
  parts.push_back("speed limit " + std::to_string(k.vel_limite * 5) + " km/h");
  parts.push_back("gradient " + std::to_string(int{k.codice_pendenza} - 100));
  parts.push_back("adhesion " + std::to_string(k.aderenza));
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : " · ") + p;
  return out;
}

struct CellRole {
  std::int64_t cell;
  std::string role;
};

// Where a row landed on the track.
struct Landing {
  std::int32_t position = 0;  // metres
  std::vector<CellRole> cells;
  std::string where;  // for the hint: "cell 202", "cells 230 to 236", ...
};

std::optional<std::int32_t> value(const Outline& o, const Row& r, std::size_t i) {
  const std::span<const Field> values = o.values_of(r);
  return i < values.size() ? values[i].number() : std::nullopt;
}

// What a feature cell is to the row that wrote it.
std::string role_of(const cella& k, const RecordInfo& rec) {
  switch (k.tipo_cella) {
    case tipo::fine_rallentamento: return "end";
    case tipo::inizio_rallentamento: return "start";
    case tipo::avviso_rallentamento: return "warning board";
    case tipo::preavviso_rallentamento: return "approach mark " + std::to_string(k.valore_a);
    case tipo::fermata: return "stop cell";
    case tipo::abbattimento_con_valore:
    case tipo::abbattimento: return "abbattimento point";
    default: return std::string(rec.title);
  }
}

// Where the compiler put each row of one text: the cells, profile runs and
// route entries its origins trace back to the row, gathered in one pass.
class Placements {
 public:
  Placements(const Unit* u, Text t) : u_(u) {
    if (!u || !u->has_cells) return;
    const Origins& o = u->model.origins;
    auto mine = [&](RowRef r) { return r.known() && r.text() == t; };
    for (std::size_t c = 0; c < o.cells.size() && c < u->model.celle.size(); ++c) {
      const CellOrigin& x = *o.cells.at(c);
      const auto i = static_cast<std::int64_t>(c);
      if (mine(x.feature)) at_[x.feature.offset()].feature.push_back(i);
      if (mine(x.mark)) at_[x.mark.offset()].marks.push_back(i);
      if (mine(x.mountain)) at_[x.mountain.offset()].mountain.push_back(i);
      if (mine(x.placed_for)) at_[x.placed_for.offset()].added.push_back(i);
      if (mine(x.guards) && !(x.guards == x.placed_for)) at_[x.guards.offset()].added.push_back(i);
    }
    for (const ProfileRuns* p : {&o.gradient, &o.speed, &o.adhesion})
      for (const ProfileRuns::Run& run : p->runs())
        if (mine(run.row) && !at_[run.row.offset()].step) at_[run.row.offset()].step = run.first;
    for (std::size_t e = 0; e < o.entries.size(); ++e)
      if (mine(o.entries[e])) at_[o.entries[e].offset()].entry = static_cast<int>(e);
  }

  struct Traces {
    std::vector<std::int64_t> feature, marks, mountain, added;
    std::optional<std::int64_t> step;
    int entry = -1;
  };
  const Traces* of(const Row& r) const {
    const auto i = at_.find(r.keyword.offset);
    return i == at_.end() ? nullptr : &i->second;
  }
  const Modello& model() const { return u_->model; }

 private:
  const Unit* u_;
  std::unordered_map<std::size_t, Traces> at_;
};

std::string cells_from_to(std::int64_t a, std::int64_t b) {
  return a == b ? "cell " + std::to_string(a) : "cells " + std::to_string(a) + " to " + std::to_string(b);
}

// Where the row landed, as the compiled model records it; nothing for a
// row the compiler stored nowhere on the track.
std::optional<Landing> land(const Outline& o, const Row& r, const Placements& where) {
  const std::optional<std::int32_t> p = value(o, r, 0);
  if (!p || r.record->placement == Placement::none) return std::nullopt;
  Landing l;
  l.position = *p;
  if (r.record->placement == Placement::curve) {
    const std::optional<std::int32_t> len = value(o, r, 1);
    if (!len) return std::nullopt;
    l.where = km(*p) + " to " + km(std::int64_t{*p} + *len);
    return l;
  }
  const Placements::Traces* t = where.of(r);
  if (!t) return std::nullopt;
  const Modello& m = where.model();
  for (const std::int64_t c : t->feature)
    l.cells.push_back({c, role_of(m.celle[static_cast<std::size_t>(c)], *r.record)});
  for (const std::int64_t c : t->marks)
    l.cells.push_back({c, "approach mark " + std::to_string(m.celle[static_cast<std::size_t>(c)].preavviso % 10)});
  switch (r.record->placement) {
    case Placement::step:
      if (!t->step) return std::nullopt;
      l.where = "from cell " + std::to_string(*t->step);
      l.cells.push_back({*t->step, "first cell"});
      break;
    case Placement::span:
      if (t->mountain.empty()) {
        l.where = "no cell";
        break;
      }
      l.where = cells_from_to(t->mountain.front(), t->mountain.back());
      l.cells.push_back({t->mountain.front(), "first cell"});
      if (t->mountain.back() != t->mountain.front()) l.cells.push_back({t->mountain.back(), "last cell"});
      break;
    case Placement::station:
      if (!t->feature.empty()) l.where = "stop cell " + std::to_string(t->feature.front());
      else if (t->entry > 0) l.where = "route entry " + std::to_string(t->entry);
      else return std::nullopt;
      break;
    case Placement::slowdown: {
      std::optional<std::int64_t> start, end;
      for (const std::int64_t c : t->feature) {
        const std::uint8_t k = m.celle[static_cast<std::size_t>(c)].tipo_cella;
        if (k == tipo::inizio_rallentamento) start = c;
        if (k == tipo::fine_rallentamento) end = c;
      }
      if (!start) return std::nullopt;
      l.where = "cells " + std::to_string(*start) + " to " + std::to_string(end.value_or(*start));
      break;
    }
    default:
      if (t->feature.empty()) return std::nullopt;
      l.where = "cell " + std::to_string(t->feature.front());
      break;
  }
  std::sort(l.cells.begin(), l.cells.end(),
            [](const CellRole& a, const CellRole& b) { return a.cell > b.cell; });
  return l;
}

// The compiler's error when it refused this very row while reading it.
const Diagnostic* refusal(const Unit* u, Text t, const Outline& o, const Row& r) {
  if (!u) return nullptr;
  const Modello& m = u->model;
  const std::int32_t n = m.numero_errore;
  // Found after the reading, on rows it had stored.
  if (n == 0 || n == 2 || (n >= 11 && n <= 13) || n == 1250 || n == 1251) return nullptr;
  if (m.error_diagnostic >= m.diagnostics.size()) return nullptr;
  const Diagnostic& d = m.diagnostics[m.error_diagnostic];
  if (d.at.text != t || d.at.offset == TextSpan::npos) return nullptr;
  return d.at.offset >= r.keyword.offset && d.at.offset <= o.end_of(r) ? &d : nullptr;
}

// The number of the error that stopped the compiler's reading before the
// row at `offset` of text `t`, when it did.
std::optional<std::int32_t> unread_because(const Unit* u, Text t, std::size_t offset) {
  if (!u) return std::nullopt;
  const std::int32_t n = u->model.numero_errore;
  // Found after the reading: everything was read.
  if (n == 0 || n == 2 || (n >= 11 && n <= 13)) return std::nullopt;
  const Modello& m = u->model;
  if (m.error_diagnostic >= m.diagnostics.size()) return std::nullopt;
  const TextSpan& d = m.diagnostics[m.error_diagnostic].at;
  if (t == Text::treno && d.text == Text::linea) {
    // A line error stops everything but the end of the line's body (15).
    if (n != 15 && !u->train_path.empty()) return n;
    return std::nullopt;
  }
  if (d.text == t && d.offset != TextSpan::npos && offset > d.offset) return n;
  return std::nullopt;
}

std::string position_line(std::int32_t p) {
  return km(p) + " (" + std::to_string(p) + " m)";
}

std::string minutes(std::int64_t s) {
  const std::string sign = s < 0 ? "-" : "";
  s = s < 0 ? -s : s;
  return sign + std::to_string(s / 60) + ":" + std::to_string(s % 60 + 100).substr(1);
}

// The timetable's line of the stretch that ends at route entry `entry`, as
// `scenarioc timetable` prints it; empty when no stretch ends there or the
// unit was read with an error.
std::string stretch_line(const Unit& u, int entry) {
  if (u.model.numero_errore != 0 || !u.has_cells || !u.line_rows || !u.train_rows) return {};
  const Timetable tt = plan_timetable(u.model, scan_rows(*u.line_rows, *u.train_rows));
  for (const Stretch& s : tt.stretches) {
    if (s.to.entry != entry) continue;
    const std::string from =
        markdown_text(to_utf8(u.model.tabella_percorso[static_cast<std::size_t>(s.from.entry)].testo));
    std::string line = "\nFrom " + from + ": " + std::to_string(s.distance_m) + " m in " +
                       minutes(s.given_s) + " (min:s)";
    if (s.least_s)
      line += ", least " + minutes(*s.least_s) + " at the train's limits, margin " +
              minutes(s.given_s - *s.least_s);
    else
      line += "; the speed limit is 0 on the way";
    return line + ".\n";
  }
  return {};
}

// A row whose values run on past its keyword's line: the reader takes the
// fields it lacks from the lines after, whatever stands there (a value
// written on the next line, or the next row's keyword). Said on the
// keyword, and on a value read from a later line, with what to do.
std::string short_row_note(const Outline& o, const Row& r, int field, const LineIndex& index) {
  const std::span<const Field> values = o.values_of(r);
  const std::size_t line = index.position(r.keyword.offset).line;
  std::size_t on_line = 0;
  while (on_line < values.size() && index.position(values[on_line].offset).line == line) ++on_line;
  if (on_line == values.size()) return {};
  const std::size_t count = r.record->values.size();
  const std::string row_line = std::to_string(line + 1);
  const std::string lacks = "line " + row_line + " holds " + std::to_string(on_line) + " of the row's " +
                            std::to_string(count) + " values";
  if (field < 0)
    return "\n*Short row*: " + lacks + "; the reader takes the others from the lines after it.\n";
  if (static_cast<std::size_t>(field) < on_line) return {};
  const Field& v = values[static_cast<std::size_t>(field)];
  const std::string where = std::to_string(index.position(v.offset).line + 1);
  if (v.is_number || r.record->values[static_cast<std::size_t>(field)].is_text())
    return "\n*Read from line " + where + "*: " + lacks +
           ", so this field is read as its value; join it to line " + row_line + " if that is meant.\n";
  return "\n*Taken for this row's value*: " + lacks + ", so the reader takes \"" +
         markdown_text(to_utf8(o.bytes_of(v))) + "\" on line " + where +
         " for the next one instead of a row of its own. Write the missing values on line " + row_line + ".\n";
}

}  // namespace

std::string km(std::int64_t metres) {
  const bool negative = metres < 0;
  const std::int64_t a = negative ? -metres : metres;
  std::string frac = std::to_string(a % 1000 + 1000).substr(1);
  if (frac.back() == '0') frac.pop_back();
  return (negative ? "-" : "") + std::to_string(a / 1000) + "." + frac + " km";
}

std::size_t field_length(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) return 0;
  auto line_end = [](char c) { return c == '\r' || c == '\n'; };
  std::size_t end = offset;
  if (text[offset] == '"') {
    const std::size_t close = text.find('"', offset + 1);
    return (close == std::string_view::npos ? text.find_first_of("\r\n", offset) : close + 1) -
           offset;
  }
  const char c = text[offset];
  const bool number = (c >= '0' && c <= '9') || c == '+' || c == '-';
  while (end < text.size() && text[end] != ',' && !line_end(text[end]) &&
         !(number && (text[end] == ' ' || text[end] == '\t')))
    ++end;
  while (end > offset && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return end - offset;
}

json hover(const Document& d, const Unit* u, std::size_t offset) {
  if (!d.file) return nullptr;
  const Outline& o = *d.outline;
  const Row* r = row_at(o, offset);
  if (!r) return nullptr;
  const RecordInfo& info = *r->record;
  const LineIndex index(d.bytes);
  const int f = field_at(o, *r, offset);

  std::string md = "**" + std::string(info.keyword) + "** · " + std::string(info.title) + "\n\n" +
                   std::string(info.meaning) + "\n";
  std::size_t from = r->keyword.offset, to = r->keyword.offset + r->keyword.length;
  if (f >= 0) {
    const Field& v = o.values_of(*r)[static_cast<std::size_t>(f)];
    const FieldInfo& fi = info.values[static_cast<std::size_t>(f)];
    md += "\n`" + std::string(fi.name) + "` (value " + std::to_string(f + 1) + " of " +
          std::to_string(info.values.size()) + "): " + std::string(fi.meaning) + "\n";
    if (!fi.is_text() && !v.number())
      md += "\nThis is not a whole number: the compilation stops here (error 25).\n";
    from = v.offset;
    to = v.offset + v.length;
  }
  md += short_row_note(o, *r, f, index);

  if (const std::optional<std::int32_t> n = unread_because(u, d.file->text, r->keyword.offset))
    md += "\n*Not read*: the compiler stopped before this row (error " + std::to_string(*n) + ").\n";

  // A refused row stored nothing worth showing: say why instead.
  if (const Diagnostic* refused = refusal(u, d.file->text, o, *r)) {
    md += "\n**Refused** by the compiler (error " + std::to_string(u->model.numero_errore) +
          "): " + markdown_text(to_utf8(refused->message)) +
          ". Nothing of this row is shown as stored.\n";
    return {{"contents", {{"kind", "markdown"}, {"value", md}}}, {"range", range_json(index, from, to)}};
  }

  if (info.id == RecordId::lunghezza && u && u->has_cells)
    md += "\nTrack cells 0 to " + std::to_string(u->model.ultima_cella) + ": the line and " +
          std::to_string(metri_oltre) + " m of run-out.\n";
  if (info.id == RecordId::curva && value(o, *r, 0) && value(o, *r, 1)) {
    const double k = curvatura(o.text_of(r->keyword));
    if (k == 0.0)
      md += "\nNo class digit 1 to 6 in the keyword: error 103.\n";
    else
      md += "\n" + std::string(k < 0 ? "Left" : "Right") + " curve, radius " +
            std::to_string(static_cast<long>(std::lround(1.0 / std::abs(k)))) + " m.\n";
  }

  const Placements where(u, d.file->text);
  const Placements::Traces* traces = where.of(*r);
  if (const std::optional<Landing> l = land(o, *r, where)) {
    md += "\nAt **" + position_line(l->position) + "** → " + l->where + "\n";
    if (info.id == RecordId::stazione && traces && traces->entry > 0) {
      const voce_percorso& v = u->model.tabella_percorso[static_cast<std::size_t>(traces->entry)];
      md += "\nStretch " + km(v.dato1) + " to " + km(v.dato2) + "; timetable " +
            std::to_string(v.dato4 / 3600) + ":" + std::to_string(v.dato4 / 60 % 60 + 100).substr(1) +
            ":" + std::to_string(v.dato4 % 60 + 100).substr(1) + ".\n";
      md += stretch_line(*u, traces->entry);
    }
    if (!l->cells.empty()) md += "\n";
    for (const CellRole& c : l->cells)
      md += "- cell " + std::to_string(c.cell) + " (" + c.role + ", " + metres_of_cell(c.cell) +
            "): " + markdown_text(cell_contents(u->model, static_cast<std::size_t>(c.cell))) + "\n";
    // The protection points the compiler added for this row.
    std::string added;
    for (const std::int64_t c : traces ? traces->added : std::vector<std::int64_t>{}) {
      const cella& k = u->model.celle[static_cast<std::size_t>(c)];
      if (k.tipo_cella == tipo::abbattimento_con_valore)
        added += "- cell " + std::to_string(c) + ": abbattimento point, value " +
                 std::to_string(k.valore_a) + "\n";
    }
    if (!added.empty()) md += "\nAdded by the compiler:\n" + added;
  } else if (r->record->placement != Placement::none && (!u || !u->has_cells)) {
    md += "\nNo compiled cells to show: the compilation stopped before the track cells existed.\n";
  }
  return {{"contents", {{"kind", "markdown"}, {"value", md}}}, {"range", range_json(index, from, to)}};
}

namespace {

void write_hints(const Document& d, const Unit* u, std::size_t from, std::size_t to,
                 const LineIndex& index, const JsonPieces& out) {
  const Outline& o = *d.outline;
  const Placements where(u, d.file->text);
  // On the row's own line, after its last field there: a short row's
  // values may run on into the next line.
  const auto hint_at = [&](const Row& r) {
    const std::size_t line_end = d.bytes.find_first_of("\r\n", r.keyword.offset);
    const std::size_t end = o.end_of(r);
    if (line_end == std::string::npos || end <= line_end) return end;
    std::size_t at = line_end;
    while (at > r.keyword.offset && (d.bytes[at - 1] == ' ' || d.bytes[at - 1] == '\t')) --at;
    return at;
  };
  std::string item;
  const auto hint = [&](const Row& r, const std::string& label) {
    item.assign(item.empty() ? "" : ",").append("{\"position\":");
    append_position(item, index.position(hint_at(r)));
    item += ",\"label\":";
    append_string(item, label);
    item += ",\"paddingLeft\":true}";
    out(item);
  };
  out("[");
  for (std::size_t i = 0; i < o.rows.size(); ++i) {
    const Row& r = o.rows[i];
    if (!r.record || r.keyword.offset < from || r.keyword.offset >= to) continue;
    std::string label;
    if (const std::optional<std::int32_t> n = unread_because(u, d.file->text, r.keyword.offset)) {
      if (r.record->placement == Placement::none) continue;
      label = "→ not read (error " + std::to_string(*n) + " above)";
    } else {
      if (refusal(u, d.file->text, o, r)) {
        hint(r, "→ refused (error " + std::to_string(u->model.numero_errore) + ")");
        continue;
      }
      const std::optional<Landing> l = land(o, r, where);
      if (!l) continue;
      label = "→ " + l->where;
      if (r.record->placement != Placement::curve) label += " · " + km(l->position);
    }
    hint(r, label);
  }
  out("]");
}

}  // namespace

JsonWriter inlay_hints(const Document& d, const Unit* u, std::size_t from, std::size_t to) {
  if (!d.file) return [](const JsonPieces& out) { out("[]"); };
  auto index = std::make_shared<const LineIndex>(d.bytes);
  return [&d, u, from, to, index](const JsonPieces& out) { write_hints(d, u, from, to, *index, out); };
}

json document_symbols(const Document& d, const Unit* u) {
  json out = json::array();
  if (!d.file) return out;
  const LineIndex index(d.bytes);
  const Placements where(u, d.file->text);
  int stations = 0;
  // SymbolKind numbers of the protocol.
  constexpr int namespace_kind = 3, class_kind = 5, constant_kind = 14, string_kind = 15,
                event_kind = 24, operator_kind = 25;

  std::vector<json> sections;
  std::vector<std::size_t> section_end;
  const Outline& o = *d.outline;
  const auto& headers = o.headers;
  for (std::size_t h = 0; h < headers.size(); ++h) {
    const Field& f = headers[h];
    const std::size_t end = h + 1 < headers.size() ? headers[h + 1].offset : d.bytes.size();
    // The section's range ends with its last line of text.
    std::size_t last = end;
    while (last > f.offset + f.length &&
           (d.bytes[last - 1] == '\r' || d.bytes[last - 1] == '\n' || d.bytes[last - 1] == ' '))
      --last;
    sections.push_back({{"name", to_utf8(o.text_of(f))},
                        {"kind", namespace_kind},
                        {"range", range_json(index, f.offset, last)},
                        {"selectionRange", range_json(index, f.offset, f.offset + f.length)},
                        {"children", json::array()}});
    section_end.push_back(end);
  }

  for (std::size_t i = 0; i < o.rows.size(); ++i) {
    const Row& r = o.rows[i];
    if (!r.record) continue;
    const std::span<const Field> values = o.values_of(r);
    const std::optional<std::int32_t> p = value(o, r, 0);
    std::string name, detail;
    int kind = 0;
    std::size_t sel_from = r.keyword.offset, sel_to = r.keyword.offset + r.keyword.length;
    switch (r.record->id) {
      case RecordId::stazione:
        if (values.size() < r.record->values.size()) continue;
        name = to_utf8(o.text_of(values.back()));
        ++stations;
        if (name.empty()) name = "station " + std::to_string(stations);
        detail = "station" + (p ? " · " + km(*p) : "");
        kind = class_kind;
        sel_from = values.back().offset;
        sel_to = sel_from + values.back().length;
        break;
      case RecordId::segnale: kind = event_kind; break;
      case RecordId::rallentamento: kind = operator_kind; break;
      case RecordId::indicatori: kind = constant_kind; break;
      case RecordId::cartello:
        kind = string_kind;
        if (values.size() == 2) detail = "\"" + to_utf8(o.text_of(values[1])) + "\"";
        break;
      default: continue;
    }
    if (name.empty()) {
      name = std::string(r.record->title) + (p ? " " + km(*p) : "");
      if (r.record->id == RecordId::rallentamento && value(o, r, 1))
        detail = "v " + std::to_string(*value(o, r, 1)) + (detail.empty() ? "" : " · " + detail);
    }
    if (const std::optional<Landing> l = p ? land(o, r, where) : std::nullopt)
      detail += (detail.empty() ? "" : " · ") + l->where;
    json sym = {{"name", name},
                {"kind", kind},
                {"range", range_json(index, r.keyword.offset, std::max(o.end_of(r), sel_to))},
                {"selectionRange", range_json(index, sel_from, sel_to)}};
    if (!detail.empty()) sym["detail"] = detail;
    // Into the last section that begins before the row.
    std::size_t s = sections.size();
    while (s > 0 && headers[s - 1].offset > r.keyword.offset) --s;
    if (s == 0) out.push_back(std::move(sym));
    else sections[s - 1]["children"].push_back(std::move(sym));
  }
  for (json& s : sections) out.push_back(std::move(s));
  // The editor's outline goes by position.
  std::stable_sort(out.begin(), out.end(), [](const json& a, const json& b) {
    const json& x = a["range"]["start"];
    const json& y = b["range"]["start"];
    return std::make_pair(x["line"].get<std::size_t>(), x["character"].get<std::size_t>()) <
           std::make_pair(y["line"].get<std::size_t>(), y["character"].get<std::size_t>());
  });
  return out;
}

namespace {

// A snippet's choice list of single characters: "1,2,3".
std::string choices(std::string_view chars) {
  std::string out;
  for (char c : chars) {
    if (!out.empty()) out += ',';
    out += c;
  }
  return out;
}

}  // namespace

json completion(const Document& d, std::size_t offset, bool snippets) {
  json items = json::array();
  if (!d.file || offset > d.bytes.size()) return {{"isIncomplete", false}, {"items", items}};
  // Only where a keyword goes: at the start of a line, before any comma.
  std::size_t start = offset;
  while (start > 0 && d.bytes[start - 1] != '\n' && d.bytes[start - 1] != '\r') --start;
  const std::string_view before = std::string_view(d.bytes).substr(start, offset - start);
  if (before.find(',') != std::string_view::npos) return {{"isIncomplete", false}, {"items", items}};
  while (start < offset && (d.bytes[start] == ' ' || d.bytes[start] == '\t')) ++start;

  const LineIndex index(d.bytes);
  const bool general = d.file->text == Text::linea && offset < d.outline->body_start;
  constexpr int keyword_kind = 14, snippet_format = 2, plain_format = 1, header_kind = 9;
  // "[" begins a section header: those the writers put into this text.
  if (start < offset && d.bytes[start] == '[') {
    const auto lines = d.file->text == Text::linea ? scenario::righe_linea() : scenario::righe_treno();
    for (const std::string_view line : lines) {
      if (line == scenario::end_of_lines) break;
      if (!line.starts_with('[')) continue;
      items.push_back({{"label", std::string(line)},
                       {"kind", header_kind},
                       {"detail", "section header"},
                       {"filterText", std::string(line)},
                       {"insertTextFormat", plain_format},
                       {"textEdit", {{"range", range_json(index, start, offset)}, {"newText", std::string(line)}}}});
    }
    return {{"isIncomplete", false}, {"items", items}};
  }
  for (const RecordInfo& r : records()) {
    if (r.section != scenario::section_of(d.file->text, general)) continue;
    std::string keyword(r.keyword);
    int next = 1;
    if (snippets && r.id == RecordId::curva) {
      const char sides[] = {curve_right, curve_left};
      keyword = curve_keyword("${1|" + choices(std::string_view(sides, 2)) + "|}",
                              "${2|" + choices(curve_class_digits) + "|}");
      next = 3;
    } else if (snippets && r.id == RecordId::ripetizione) {
      keyword = repetition_keyword(
          "${1|" + choices(std::string_view(repetition_codes.data(), repetition_codes.size())) + "|}");
      next = 2;
    }
    std::string text = keyword, doc = std::string(r.meaning) + "\n\n";
    for (const FieldInfo& f : r.values) {
      text += snippets ? ", ${" + std::to_string(next++) + ":" + std::string(f.name) + "}" : "";
      doc += "- `" + std::string(f.name) + "`: " + std::string(f.meaning) + "\n";
    }
    if (!snippets) text += ", ";
    items.push_back({{"label", std::string(r.keyword)},
                     {"kind", keyword_kind},
                     {"detail", std::string(r.title)},
                     {"documentation", {{"kind", "markdown"}, {"value", doc}}},
                     {"filterText", std::string(r.keyword)},
                     {"insertTextFormat", snippets ? snippet_format : plain_format},
                     {"textEdit", {{"range", range_json(index, start, offset)}, {"newText", text}}}});
  }
  return {{"isIncomplete", false}, {"items", items}};
}

}  // namespace lsp
