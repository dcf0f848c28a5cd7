// How scenarioc shows what a compilation tells an author (the compiler's
// diagnostics, model/diagnostics.h): in the GNU shape
// "FILE:LINE:COL: warning: message [-Wcode]" with the source line, a caret
// under the field and the notes, or as JSON; and which warnings are shown
// (-Wno-CODE) and whether they count as errors (-Werror).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"
#include "tool/json.h"

namespace scenarioc {

struct Source {
  std::string percorso;              // as messages name it
  std::optional<std::string> testo;  // the bytes compiled; none when missing
};

struct Sources {
  Source linea;
  Source treno;
};

struct WarningOptions {
  bool as_errors = false;                       // -Werror
  std::set<std::string, std::less<>> disabled;  // -Wno-CODE
  // --diagnostic-limit N: diagnostics of one code kept per text; 0, all.
  std::size_t limit = scenario::default_diagnostic_limit;
};

// Takes -Werror, every -Wno-CODE and --diagnostic-limit N out of `args` (up
// to a "--"). Throws UsageError for another -W option, a code that is no
// warning's or a limit that is no whole number.
WarningOptions take_warning_options(std::vector<std::string>& args);

// The diagnostics shown under `w`, in the order found.
std::vector<const scenario::Diagnostic*> shown(const scenario::Modello& m, const WarningOptions& w);
// How many of them are warnings.
std::size_t warnings_shown(const scenario::Modello& m, const WarningOptions& w);

// Every diagnostic shown, in the GNU shape, each followed by its source line
// and a caret, then its notes; last, for each code whose diagnostics the
// limit cut short, a note "and 399,990 more 'unknown-keyword' warnings" at
// the first one left out.
std::string as_text(const scenario::Modello& m, const Sources& s, const WarningOptions& w);

// The same as a JSON array of objects with the keys file, line, column,
// severity, code, message and notes (each note: file, line, column,
// message); a place that is not known is null.
void as_json(Json& j, const scenario::Modello& m, const Sources& s, const WarningOptions& w);

// The codes the limit cut short, as a JSON array of objects with the keys
// file, line, column (of the first left out), severity, code and count.
void omitted_json(Json& j, const scenario::Modello& m, const Sources& s, const WarningOptions& w);

// Shows the diagnostics of one compilation as it hands them on (given as
// CompileOptions::outlet), then those it still holds, and writes them out in
// pieces: with --diagnostic-limit 0 a text of a million mistakes is shown
// whole and never held whole. The bytes are those of as_text and of
// as_json's list.
class DiagnosticWriter : public scenario::DiagnosticOutlet {
 public:
  using Out = std::function<void(std::string_view)>;
  // `text` takes the GNU shape with the counts left out at the end, `json`
  // the JSON list; either may be empty, for none.
  DiagnosticWriter(const Sources& s, const WarningOptions& w, Out text, Out json);
  ~DiagnosticWriter() override;
  DiagnosticWriter(const DiagnosticWriter&) = delete;
  DiagnosticWriter& operator=(const DiagnosticWriter&) = delete;

  void settled(scenario::Diagnostic&& d) override;
  // The diagnostics `m` still holds, then the counts left out; the end of
  // the JSON list. Call once, after the compilation.
  void finish(const scenario::Modello& m);
  // The warnings shown so far, for -Werror.
  std::size_t warnings_shown() const;

 private:
  struct Sinks;
  void show(std::span<const scenario::Diagnostic> ds);
  void flush(bool all);
  std::unique_ptr<Sinks> sinks_;
};

// What `-W` accepts, for the commands' --help.
std::string warning_list();

}  // namespace scenarioc
