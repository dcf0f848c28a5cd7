// What a compilation tells an author, as data: every warning and the error,
// each placed in the description text it comes from by byte offsets. Front
// ends (scenarioc's text and JSON, the language server) turn offsets into
// file, line and column; the compiler never knows file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scenario {

enum class Severity : std::uint8_t { error, warning };

// Which description text a place is in; `none` for the compiled model as a
// whole (a header clash found after both texts were read).
enum class Text : std::uint8_t { none, linea, treno };

struct TextSpan {
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  Text text = Text::none;
  std::size_t offset = npos;  // first byte; npos where no place is known
  std::size_t length = 0;     // bytes covered, 0 for a point
};

struct DiagnosticNote {
  TextSpan at;
  std::string message;
};

struct Diagnostic {
  Severity severity = Severity::warning;
  // Stable and documented: "unknown-keyword", "out-of-order", ...; a
  // scenario error keeps its number: "error-16".
  std::string code;
  TextSpan at;
  std::string message;
  std::vector<DiagnosticNote> notes;
};

}  // namespace scenario
