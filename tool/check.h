// scenarioc check, and what it shares with compile: reading an author's two
// texts before anything is compiled, and the compilation in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "model/file_names.h"
#include "model/model.h"
#include "tool/diagnostics.h"

namespace scenarioc {

extern const std::string_view check_usage;
int run_check(std::span<const std::string> args);

// The two description texts of `names` in `directory`, named as given on
// the command line and read whole (a file larger than any description is
// refused unread). Nothing is compiled when one cannot be read, or is
// missing: the result then says which and why.
struct Unreadable {
  std::string path;
  std::string message;  // "cannot read the train description: does not exist"
  std::string text() const { return path + ": error: " + message + "\n"; }
  // The same as the one diagnostic of a JSON "diagnostics" array.
  void as_json(Json& j) const;
};
std::optional<Unreadable> read_sources(const std::string& directory,
                                       const scenario::FileNames& names, Sources& s);

// The one-shot program's compilation of the texts in memory; writes
// nothing. The options' names are as the compiled files hold them
// (as_stored).
scenario::CompileResult compile_sources(const Sources& s, const scenario::CompileOptions& options);

// The check as the benchmark and the command run it: both texts compiled
// in memory, the diagnostics shown as text (or JSON when `json`).
struct CheckResult {
  scenario::CompileResult compiled;
  int status = 0;
  std::string text;  // for standard error, or the JSON object
};
CheckResult check_sources(const Sources& s, const scenario::FileNames& names,
                          const WarningOptions& w, bool json);

}  // namespace scenarioc
