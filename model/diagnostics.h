// What a compilation tells an author, as data: every warning and the error,
// each placed in the description text it comes from by byte offsets. Front
// ends (scenarioc's text and JSON, the language server) turn offsets into
// file, line and column; the compiler never knows file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// A note without a place of its own (text `none`) stands at its
// diagnostic's place.
struct DiagnosticNote {
  TextSpan at;
  std::string message;
};

// A change of the text that does what the diagnostic advises: the bytes of
// `at` replaced by `replacement` (Windows-1252, like the text).
struct TextEdit {
  TextSpan at;
  std::string replacement;
};

// One way to fix what a diagnostic found, as an editor applies it: all its
// edits together, none overlapping.
struct Fix {
  std::string title;
  std::vector<TextEdit> edits;
  // The replacements hold tab stops for the author to fill, "${1:gradient}";
  // where an editor has none, the names alone stand in them, which no reader
  // takes for a number: the row stays refused until they are filled.
  bool placeholders = false;
};

struct Diagnostic {
  Severity severity = Severity::warning;
  // Stable and documented: "unknown-keyword", "out-of-order", ...; a
  // scenario error keeps its number: "error-16".
  std::string code;
  TextSpan at;
  std::string message;
  std::vector<DiagnosticNote> notes;
  std::vector<Fix> fixes;
};

// Every warning code, with what it is about in a few words. The codes are
// documented for authors (doc/description-formats.md, "Common mistakes") and
// named on the command line (-Wno-CODE): never rename one.
struct WarningCode {
  std::string_view code;
  std::string_view summary;
};

inline constexpr WarningCode warning_codes[] = {
    {"unknown-keyword", "a keyword field that is no keyword but close to one"},
    {"keyword-in-comment", "a comment the reader takes for a record"},
    {"not-read", "a record in a place where the reader never acts on it"},
    {"extra-values", "a row with more values than its record reads"},
    {"missing-values", "a row with fewer values than its record reads"},
    {"out-of-order", "a position before the one of the record before it"},
    {"curve-keyword", "a curve keyword read otherwise than it looks"},
    {"in-run-out", "a record placed past the route length"},
    {"empty-mountain", "a mountain that covers no track cell"},
    {"progressives-emptied", "kilometric progressives the ordering leaves empty"},
    {"no-generale", "a train description without [generale]"},
    {"empty-text", "a description text with nothing in it"},
    {"utf-16", "a text in UTF-16"},
    {"utf-8", "a text in UTF-8 rather than Windows-1252"},
    {"station-name-cut", "a station name cut at a comma"},
    {"station-over-feature", "a station stop cell written over another feature"},
    {"marks-overwritten", "approach marks written over other approach marks"},
    {"unclosed-quote", "a quoted text that runs on past its line"},
    {"malformed-header", "a section header without its '[' or ']'"},
    {"separator", "values set apart by tabs, semicolons or a decimal comma"},
    {"time-overflow", "minutes or seconds of a time outside 0 to 59"},
    {"time-backwards", "a station time earlier than the one before it"},
    {"mountain-overlap", "a mountain starting inside the one before it"},
    {"value-out-of-range", "a value outside its range, stored cut to its width or as read"},
    {"repeated-record", "a record given twice: the later one's values win"},
    {"reversed-span", "a stretch written end first"},
    {"non-positive-length", "a slowdown, curve or station of length 0 or below"},
    {"misplaced-position", "a position written in kilometres or with its sign slipped"},
    {"speed-too-high", "a speed above what a railway line can mean"},
    {"speed-not-in-steps", "a speed not in steps of 5, stored rounded to one"},
    {"slowdown-not-slower", "a slowdown not below the speed limit where it lies"},
    {"hours-24-or-more", "a time of 24 hours or more"},
    {"time-repeated", "a station time equal to the one before it"},
    {"clock-after-first-station", "a starting clock after the first station's time"},
    {"timetable-too-fast", "a stretch timed faster than the train's own limits allow"},
    {"missing-section", "a train text with a header row but no stations, speed steps or adhesion steps"},
    {"empty-field", "an empty value read as 0 while its number stands, skipped, after it"},
    {"empty-name", "a station without a name"},
    {"board-text-cut", "a text board's text cut at a comma"},
};

inline bool is_warning_code(std::string_view code) {
  for (const WarningCode& w : warning_codes)
    if (w.code == code) return true;
  return false;
}

}  // namespace scenario
