#include "compiler/diagnose.h"

#include <utility>

#include "model/cell_kinds.h"

namespace scenario {
namespace {

// A replaced error's diagnostic waits with this code until
// finish_diagnostics drops it: erasing it at once would make a run of
// post-processing errors quadratic.
constexpr std::string_view replaced_code = "";

std::string error_code(ScenarioError e) { return "error-" + std::to_string(numero(e)); }

// Hands the held warnings to the outlet once a batch is full; called before
// a diagnostic is recorded, so that no caller still holds one of them.
void settle(Modello& m) {
  if (!m.outlet || m.diagnostics.size() < settle_batch) return;
  std::vector<Diagnostic> kept;
  for (std::size_t i = 0; i < m.diagnostics.size(); ++i) {
    Diagnostic& d = m.diagnostics[i];
    if (i == m.error_diagnostic) kept.push_back(std::move(d));
    else if (d.code != replaced_code) m.outlet->settled(std::move(d));
  }
  m.error_diagnostic = kept.empty() ? TextSpan::npos : 0;
  m.diagnostics = std::move(kept);
}

}  // namespace

Diagnostic& record_error(Modello& m, ScenarioError e, TextSpan at) {
  settle(m);
  m.numero_errore = numero(e);
  Diagnostic d;
  d.severity = Severity::error;
  d.code = error_code(e);
  d.at = at;
  d.message = std::string(find_error(e).text);
  if (Diagnostic* earlier = recorded_error(m)) {
    std::string what = "this replaces error " + earlier->code.substr(6) + ", recorded before: " +
                       earlier->message + "; only the last error is kept";
    d.notes.push_back({earlier->at.text == Text::none ? TextSpan{} : earlier->at, std::move(what)});
    earlier->code = replaced_code;
    // It is dropped at the end: keep no text of it until then.
    earlier->message = {};
    earlier->notes = {};
  }
  m.error_diagnostic = m.diagnostics.size();
  m.diagnostics.push_back(std::move(d));
  return m.diagnostics.back();
}

Diagnostic& record_error(Modello& m, ScenarioError e, TextSpan at, std::int32_t posizione) {
  Diagnostic& d = record_error(m, e, at);
  m.posizione_errore = posizione;
  d.message += " (position " + std::to_string(posizione) + " m)";
  return d;
}

Diagnostic& record_refusal(Modello& m, const Refusal& r, TextSpan at, std::int32_t posizione) {
  Diagnostic& d = record_error(m, r.error, at, posizione);
  note_cell(m, d, r.cell);
  return d;
}

Diagnostic* recorded_error(Modello& m) {
  if (m.error_diagnostic >= m.diagnostics.size()) return nullptr;
  return &m.diagnostics[m.error_diagnostic];
}

Diagnostic& warn(Modello& m, std::string_view code, TextSpan at, std::string message) {
  if (!m.diagnostic_limit.admit(code, Severity::warning, at)) {
    // Counted only; the caller's notes go nowhere.
    m.omitted_warning = Diagnostic{};
    return m.omitted_warning;
  }
  settle(m);
  Diagnostic d;
  d.severity = Severity::warning;
  d.code = std::string(code);
  d.at = at;
  d.message = std::move(message);
  m.diagnostics.push_back(std::move(d));
  return m.diagnostics.back();
}

std::string cell_name(std::int64_t c) {
  return "track cell " + std::to_string(c) + " (" + std::to_string((c - 1) * 50) + " to " +
         std::to_string(c * 50) + " m)";
}

std::string printable(std::string_view s) {
  static constexpr char hex[] = "0123456789ABCDEF";
  // A field may be a whole 100 MB line: a message quotes its beginning.
  constexpr std::size_t longest = 200;
  const bool cut = s.size() > longest;
  if (cut) s = s.substr(0, longest);
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  if (cut) out += "...";
  return out;
}

std::string kind_name(std::uint8_t t) {
  if (const CellKindNames* k = cell_kind(t)) return std::string(k->in_text);
  return "a feature of kind " + std::to_string(t);
}

std::string what_holds(const Modello& m, std::size_t c) {
  const cella& k = m.celle.at(c);
  auto entry_text = [&](std::int16_t indice) -> std::string {
    if (indice < 1 || indice >= voce::numero) return "";
    return printable(m.tabella_percorso[static_cast<std::size_t>(indice)].testo);
  };
  switch (k.tipo_cella) {
    case tipo::fermata: {
      const std::string nome = entry_text(k.valore_a);
      return nome.empty() ? kind_name(k.tipo_cella) : "the stop cell of station " + nome;
    }
    case tipo::abbattimento_con_valore:
      return "an abbattimento point of value " + std::to_string(k.valore_a);
    case tipo::cartello: return "the text board \"" + entry_text(k.valore_a) + "\"";
    default: return kind_name(k.tipo_cella);
  }
}

void note_cell(const Modello& m, Diagnostic& d, std::int64_t c, std::string_view lead) {
  if (c < 0 || static_cast<std::size_t>(c) >= m.celle.size()) return;
  const CellOrigin* o = m.origins.cell(c);
  std::string what = cell_name(c) + " " + std::string(lead) + " " +
                     what_holds(m, static_cast<std::size_t>(c));
  TextSpan at;
  if (o && o->feature.known()) {
    at = o->feature.span();
    what += ", written here";
  } else if (m.celle[static_cast<std::size_t>(c)].tipo_cella == tipo::abbattimento_con_valore) {
    what += ", placed by the compiler";
  }
  d.notes.push_back({at, std::move(what)});
}

void note_feature(Modello& m, std::int64_t c, RowRef riga) {
  CellOrigin* o = m.origins.cell(c);
  // A row that writes a cell twice (a slowdown of length 0) replaces nothing.
  if (!o || (riga.known() && o->feature == riga)) return;
  const std::uint8_t before = m.celle[static_cast<std::size_t>(c)].tipo_cella;
  o->replaced = before == tipo::vuota ? RowRef{} : o->feature;
  o->replaced_kind = before;
  o->feature = riga;
}

void note_marks(Modello& m, RowRef riga, std::span<const std::int64_t> cells) {
  Diagnostic* d = nullptr;
  for (const std::int64_t c : cells) {
    CellOrigin* o = m.origins.cell(c);
    if (!o) continue;
    const std::uint8_t before = m.celle[static_cast<std::size_t>(c)].preavviso;
    if (before != 0 && o->mark.known() && !(o->mark == riga)) {
      if (!d)
        d = &warn(m, "marks-overwritten", riga.span(),
                  "these approach marks are written over the marks of another row: each "
                  "cell keeps only the later mark");
      d->notes.push_back({o->mark.span(), cell_name(c) + " held approach mark " +
                                              std::to_string(before) + ", written here"});
    }
    o->mark = riga;
  }
}

void finish_diagnostics(Modello& m) {
  if (Diagnostic* d = recorded_error(m)) {
    const std::int32_t n = m.numero_errore;
    if (const ErrorEntry* voce = find_error(n); voce && !voce->remedy.empty())
      d->notes.push_back({TextSpan{}, std::string(voce->remedy)});
  }
  drop_diagnostics(m, [](const Diagnostic& d) { return d.code == replaced_code; });
}

void drop_diagnostics(Modello& m, const std::function<bool(const Diagnostic&)>& drop) {
  std::size_t kept = 0;
  std::size_t error = TextSpan::npos;
  for (std::size_t i = 0; i < m.diagnostics.size(); ++i) {
    // The recorded error itself is never dropped by a caller's test: only
    // replaced errors are, and those are no longer the recorded one.
    if (i != m.error_diagnostic && drop(m.diagnostics[i])) continue;
    if (i == m.error_diagnostic) error = kept;
    if (kept != i) m.diagnostics[kept] = std::move(m.diagnostics[i]);
    ++kept;
  }
  m.diagnostics.resize(kept);
  m.error_diagnostic = error;
}

}  // namespace scenario
