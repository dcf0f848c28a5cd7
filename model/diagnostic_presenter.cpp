#include "model/diagnostic_presenter.h"

namespace scenario {
namespace {

bool disabled(std::string_view code, Severity severity, const ShowOptions& o) {
  return severity == Severity::warning && o.disabled != nullptr && o.disabled->contains(code);
}

std::string number_label(const Diagnostic& d) {
  constexpr std::string_view prefix = "error-";
  const std::string_view code = d.code;
  if (d.severity != Severity::error || !code.starts_with(prefix)) return "";
  return "error " + std::string(code.substr(prefix.size())) + ": ";
}

}  // namespace

bool is_shown(const Diagnostic& d, const ShowOptions& o) {
  return !disabled(d.code, d.severity, o);
}

void present_diagnostics(std::span<const Diagnostic> ds, const ShowOptions& o,
                         DiagnosticSink& sink) {
  for (const Diagnostic& d : ds) {
    if (!is_shown(d, o)) continue;
    const ShownDiagnostic shown{d, d.severity == Severity::error || o.as_errors, number_label(d)};
    sink.diagnostic(shown);
    for (const DiagnosticNote& n : d.notes) {
      const bool own = n.at.text != Text::none;
      sink.note(shown, {own ? n.at : d.at, own, n.message});
    }
    sink.end(shown);
  }
}

void present_omitted(std::span<const DiagnosticTally* const> tallies, const ShowOptions& o,
                     DiagnosticSink& sink) {
  for (const DiagnosticTally* t : tallies) {
    if (disabled(t->code, t->severity, o)) continue;
    sink.omitted(*t, t->severity == Severity::error || o.as_errors);
  }
}

}  // namespace scenario
