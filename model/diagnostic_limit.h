// A bound on the diagnostics one text can make, as a C compiler bounds its
// errors: at most `per_code` diagnostics of one code are kept for each
// description text, and the rest are only counted, with the place of the
// first left out. A text of 400,000 rows that all repeat one mistake costs
// ten diagnostics and a count, not 400,000 messages in memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"

namespace scenario {

inline constexpr std::size_t default_diagnostic_limit = 10;

// The diagnostics of one code in one text, and how many were left out.
struct DiagnosticTally {
  std::string code;
  Text text = Text::none;
  Severity severity = Severity::warning;
  std::size_t kept = 0;
  std::size_t omitted = 0;
  TextSpan first_omitted;  // where the first one left out stands
};

class DiagnosticLimit {
 public:
  // 0 keeps every diagnostic.
  std::size_t per_code = default_diagnostic_limit;

  // Whether a diagnostic of `code` at `at` is kept; one that is not is
  // counted in its tally.
  bool admit(std::string_view code, Severity severity, const TextSpan& at);
  // The tallies of the codes with diagnostics left out, in the order their
  // codes first came.
  std::vector<const DiagnosticTally*> omitted() const;
  // A new compilation: nothing counted, the limit kept.
  void reset() { tallies_.clear(); }

 private:
  std::vector<DiagnosticTally> tallies_;  // a few codes per text
};

// "and 399,990 more 'unknown-keyword' warnings"
std::string omitted_summary(const DiagnosticTally& t);

// 399990 as "399,990".
std::string with_thousands(std::size_t n);

}  // namespace scenario
