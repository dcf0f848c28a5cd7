#include "lsp/collect.h"

#include <algorithm>
#include <string>

#include "model/errors.h"

namespace lsp {
namespace {

using namespace scenario;

Diagnostic error_diagnostic(std::int32_t n) {
  Diagnostic d;
  d.severity = Severity::error;
  d.code = "error-" + std::to_string(n);
  d.message = "error " + std::to_string(n) + ": " + std::string(spiegazione(n));
  if (const VoceErrore* v = cerca_errore(n); v && !v->rimedio.empty())
    d.notes.push_back({TextSpan{}, std::string(v->rimedio)});
  return d;
}

Text text_of(Diagnosi::Sorgente s) {
  switch (s) {
    case Diagnosi::Sorgente::linea: return Text::linea;
    case Diagnosi::Sorgente::treno: return Text::treno;
    case Diagnosi::Sorgente::nessuna: break;
  }
  return Text::none;
}

}  // namespace

std::vector<Diagnostic> collect_diagnostics(const Modello& m, std::optional<std::int32_t> fatal) {
  std::vector<Diagnostic> out = m.diagnostics;
  auto has_error = [&](std::int32_t n) {
    const std::string code = "error-" + std::to_string(n);
    return std::any_of(out.begin(), out.end(), [&](const Diagnostic& d) {
      return d.severity == Severity::error && d.code == code;
    });
  };
  const bool list_has_error = std::any_of(out.begin(), out.end(), [](const Diagnostic& d) {
    return d.severity == Severity::error;
  });

  const std::int32_t n = m.numero_errore;
  if (n != 0 && !list_has_error) {
    Diagnostic d = error_diagnostic(n);
    const Diagnosi& where = m.diagnosi;
    if (n == 25 && !where.guasto.empty()) d.message += ": " + where.guasto;
    if (const VoceErrore* v = cerca_errore(n); v && v->con_posizione)
      d.message += " (position " + std::to_string(m.posizione_errore) + " m)";
    d.at.text = text_of(where.sorgente);
    // The post-processing works on what the train description placed.
    if (d.at.text == Text::none && n >= 11 && n <= 13) d.at.text = Text::treno;
    d.at.offset = where.campo != Diagnosi::npos ? where.campo : where.record;
    out.insert(out.begin(), std::move(d));
  }
  if (fatal && !has_error(*fatal)) out.push_back(error_diagnostic(*fatal));
  return out;
}

}  // namespace lsp
