// How scenarioc shows what a compilation tells an author (the compiler's
// diagnostics, model/diagnostics.h): in the GNU shape
// "FILE:LINE:COL: warning: message [-Wcode]" with the source line, a caret
// under the field and the notes, or as JSON; and which warnings are shown
// (-Wno-CODE) and whether they count as errors (-Werror).
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
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
};

// For FatalError: the clash and what holds track cell 1.
std::string diagnosi_fatale(const scenario::Modello& m, std::int32_t numero);
// Takes -Werror and every -Wno-CODE out of `args` (up to a "--"). Throws
// UsageError for another -W option or a code that is no warning's.
WarningOptions take_warning_options(std::vector<std::string>& args);

// The diagnostics shown under `w`, in the order found.
std::vector<const scenario::Diagnostic*> shown(const scenario::Modello& m, const WarningOptions& w);
// How many of them are warnings.
std::size_t warnings_shown(const scenario::Modello& m, const WarningOptions& w);

// Every diagnostic shown, in the GNU shape, each followed by its source line
// and a caret, then its notes.
std::string as_text(const scenario::Modello& m, const Sources& s, const WarningOptions& w);

// The same as a JSON array of objects with the keys file, line, column,
// severity, code, message and notes (each note: file, line, column,
// message); a place that is not known is null.
void as_json(Json& j, const scenario::Modello& m, const Sources& s, const WarningOptions& w);

// What `-W` accepts, for the commands' --help.
std::string warning_list();

}  // namespace scenarioc
