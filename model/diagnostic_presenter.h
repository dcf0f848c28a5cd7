// One walk over what a compilation tells an author. It decides once which
// diagnostics are shown, how each is labelled, where each note stands and
// which counts of diagnostics left out are said; a sink only renders what
// it is handed. The terminal's text, the JSON of --json and the language
// server's diagnostics are three sinks of this one walk, so that they never
// disagree on what is said or where.
#pragma once

#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostic_limit.h"
#include "model/diagnostics.h"

namespace scenario {

struct ShowOptions {
  bool as_errors = false;  // warnings said as errors (-Werror)
  // Warning codes not shown (-Wno-CODE); errors are always shown.
  const std::set<std::string, std::less<>>* disabled = nullptr;
};

// A diagnostic as it is said.
struct ShownDiagnostic {
  const Diagnostic& diagnostic;
  bool as_error = false;  // an error, or a warning said as one
  // "error 16: " for a scenario error, which every front end names by its
  // number; empty for anything else.
  std::string number_label;
};

// A note as it is said: one without a place of its own stands at its
// diagnostic's place.
struct ShownNote {
  TextSpan at;
  bool own_place = false;
  std::string_view message;
};

class DiagnosticSink {
 public:
  virtual ~DiagnosticSink() = default;
  // A diagnostic, then each of its notes in order, then its end.
  virtual void diagnostic(const ShownDiagnostic& d) = 0;
  virtual void note(const ShownDiagnostic& d, const ShownNote& n) = 0;
  virtual void end(const ShownDiagnostic&) {}
  // A code whose diagnostics the limit cut short.
  virtual void omitted(const DiagnosticTally& t, bool as_error) = 0;
};

// Every diagnostic shown under `o`, in the order found.
void present_diagnostics(std::span<const Diagnostic> ds, const ShowOptions& o,
                         DiagnosticSink& sink);
// Every count of diagnostics left out whose code is shown under `o`.
void present_omitted(std::span<const DiagnosticTally* const> tallies, const ShowOptions& o,
                     DiagnosticSink& sink);

// Whether `d` is shown under `o`.
bool is_shown(const Diagnostic& d, const ShowOptions& o);

}  // namespace scenario
