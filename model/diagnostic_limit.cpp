#include "model/diagnostic_limit.h"

namespace scenario {

bool DiagnosticLimit::admit(std::string_view code, Severity severity, const TextSpan& at) {
  DiagnosticTally* tally = nullptr;
  for (DiagnosticTally& t : tallies_)
    if (t.code == code && t.text == at.text) tally = &t;
  if (!tally) {
    tallies_.push_back({std::string(code), at.text, severity, 0, 0, {}});
    tally = &tallies_.back();
  }
  if (per_code == 0 || tally->kept < per_code) {
    ++tally->kept;
    return true;
  }
  if (tally->omitted++ == 0) tally->first_omitted = at;
  return false;
}

std::vector<const DiagnosticTally*> DiagnosticLimit::omitted() const {
  std::vector<const DiagnosticTally*> out;
  for (const DiagnosticTally& t : tallies_)
    if (t.omitted > 0) out.push_back(&t);
  return out;
}

std::string with_thousands(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string omitted_summary(const DiagnosticTally& t) {
  const bool one = t.omitted == 1;
  const std::string_view kind = t.severity == Severity::error ? "error" : "warning";
  return "and " + with_thousands(t.omitted) + " more '" + t.code + "' " + std::string(kind) +
         (one ? "" : "s");
}

}  // namespace scenario
