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
  // "error N: " is said by the presenter, as for the compiler's own errors.
  d.message = std::string(explain_error(n));
  if (const ErrorEntry* v = find_error(n); v && !v->remedy.empty())
    d.notes.push_back({TextSpan{}, std::string(v->remedy)});
  return d;
}

}  // namespace

std::vector<Diagnostic> collect_diagnostics(const Modello& m, const CompileStatus& status) {
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
    // The compiler places its errors itself; this is the safety net for
    // one it could not place.
    if (status.ending == CompileStatus::Ending::scenario_error && !status.message.empty())
      d.message += ": " + status.message;
    if (const ErrorEntry* v = find_error(n); v && v->has_position)
      d.message += " (position " + std::to_string(m.posizione_errore) + " m)";
    out.insert(out.begin(), std::move(d));
  }
  if (status.ending == CompileStatus::Ending::fatal && !has_error(status.error))
    out.push_back(error_diagnostic(status.error));
  return out;
}

}  // namespace lsp
