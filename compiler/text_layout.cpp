#include "compiler/text_layout.h"

#include <algorithm>
#include <string>
#include <vector>

#include "compiler/diagnose.h"
#include "rows/keyword_fields.h"
#include "rows/text_match.h"
#include "text/field_reader.h"

namespace scenario {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One field as the reader splits the text when it reads texts: a comma or a
// line end ends it, a double quote at its start runs to the closing quote.
struct Field {
  std::size_t start = 0;  // after the leading blanks
  std::size_t end = 0;    // before the separator, trailing blanks kept
  std::size_t line = 1;   // where it starts
  bool quoted = false;
  std::size_t close = std::string_view::npos;  // the closing quote
  std::size_t lines_inside = 0;                // line ends inside the quotes
  bool line_ends_after = false;                // the field is its line's last
};

class Fields {
 public:
  explicit Fields(std::string_view s) : s_(s) {}

  bool next(Field& f) {
    if (pos_ >= s_.size()) return false;
    while (pos_ < s_.size() && is_blank(s_[pos_])) ++pos_;
    f = Field{};
    f.start = pos_;
    f.line = line_;
    if (pos_ < s_.size() && s_[pos_] == '"') {
      f.quoted = true;
      const std::size_t close = s_.find('"', pos_ + 1);
      const std::size_t stop = close == std::string_view::npos ? s_.size() : close;
      f.lines_inside = line_ends(pos_, stop);
      line_ += f.lines_inside;
      f.close = close;
      pos_ = close == std::string_view::npos ? s_.size() : close + 1;
    }
    while (pos_ < s_.size() && s_[pos_] != ',' && !is_line_end(s_[pos_])) ++pos_;
    f.end = pos_;
    if (pos_ < s_.size() && s_[pos_] == ',') {
      ++pos_;
    } else {
      f.line_ends_after = true;
      if (pos_ < s_.size() && s_[pos_] == '\r') ++pos_;
      if (pos_ < s_.size() && s_[pos_] == '\n') ++pos_;
      ++line_;
    }
    return true;
  }

 private:
  // CR LF counts once, as the reader counts lines.
  std::size_t line_ends(std::size_t from, std::size_t to) const {
    std::size_t n = 0;
    for (std::size_t i = from; i < to; ++i)
      if (s_[i] == '\n' || (s_[i] == '\r' && (i + 1 >= s_.size() || s_[i + 1] != '\n'))) ++n;
    return n;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

// Nothing but blanks between the line's start and `at`.
bool first_on_line(std::string_view s, std::size_t at) {
  while (at > 0 && is_blank(s[at - 1])) --at;
  return at == 0 || is_line_end(s[at - 1]);
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lines(std::size_t n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); }

void unclosed_quote(Modello& m, Text text, const Field& f, std::string_view s) {
  // Lines after the quote's own: the text's last line end opens no line.
  const std::size_t after =
      f.close == std::string_view::npos && !s.empty() && is_line_end(s.back()) ? f.lines_inside - 1
                                                                               : f.lines_inside;
  if (after == 0) return;  // it closes with the text, on its own line: nothing is lost
  const std::string message =
      f.close == std::string_view::npos
          ? "the quoted text opened here is never closed: it runs to the end of the text, and "
            "the " + lines(after) + " after it are read as part of it, not as rows"
          : "the quoted text opened here closes only on line " +
                std::to_string(f.line + f.lines_inside) + ": the " + lines(f.lines_inside) +
                " after it are read as part of it, not as rows";
  Diagnostic& d = warn(m, "unclosed-quote", {text, f.start, 1}, message);
  d.notes.push_back({TextSpan{}, "close the quote on the line it opens: \"VEDONA, C.LE\""});
}

// A field on a line of its own that looks like a section header but is not
// one to the reader: "[curve" or "curve]" (only a field holding both
// brackets ends the general section).
bool header_like(std::string_view f) {
  if (f.empty() || f.front() == '-') return false;
  const bool open = f.front() == '[', shut = f.back() == ']';
  return (open || shut) && !(contiene(f, "[") && contiene(f, "]"));
}

// The line description's general section lasts to the first field holding
// both brackets: a header that lacks one lets it run on over the body's
// first rows, which the reader then skips one by one. Say it once, at the
// header, and leave out the skipped rows' own warnings.
void malformed_header(Modello& m, std::string_view s) {
  Fields fields(s);
  Field f;
  bool generale = false;
  const Field* bad = nullptr;
  Field header;
  std::size_t rows = 0, first_row = std::string_view::npos, first_line = 0, last_line = 0;
  std::size_t until = s.size();
  std::size_t row_line = 0;
  while (fields.next(f)) {
    const std::string_view v = trimmed(s.substr(f.start, f.end - f.start));
    if (!generale) {
      generale = contains_generale(v);
      continue;
    }
    if (contiene(v, "[") && contiene(v, "]") && (v.empty() || v.front() != '-')) {
      until = f.start;
      break;
    }
    if (!bad) {
      const bool alone = f.line_ends_after && first_on_line(s, f.start);
      if (alone && header_like(v)) {
        header = f;
        bad = &header;
      }
      continue;
    }
    // A row of the stretch: the first field of each line that is no comment.
    if (f.line != row_line && !v.empty() && v.front() != '-') {
      row_line = f.line;
      if (first_row == std::string_view::npos) first_row = f.start, first_line = f.line;
      last_line = f.line;
      ++rows;
    }
  }
  if (!bad || rows == 0) return;
  const std::string_view field = trimmed(s.substr(bad->start, bad->end - bad->start));
  const bool lacks_close = field.front() == '[';
  drop_diagnostics(m, [&](const Diagnostic& d) {
    return d.code == "not-read" && d.at.text == Text::linea && d.at.offset > bad->start &&
           d.at.offset < until;
  });
  Diagnostic& d = warn(m, "malformed-header", {Text::linea, bad->start, field.size()},
                       "'" + printable(field) + "' is no section header: it lacks its " +
                           (lacks_close ? "']'" : "'['") +
                           ", so the general section goes on and the rows after it are read as "
                           "general section records: the body's records among them are skipped");
  d.notes.push_back({{Text::linea, first_row, 0},
                     (rows == 1 ? "1 row, line " + std::to_string(first_line) + ", is"
                                : std::to_string(rows) + " rows, lines " + std::to_string(first_line) +
                                      " to " + std::to_string(last_line) + ", are") +
                         (until == s.size() ? " not read: the general section runs to the end of "
                                              "the text"
                                            : " not read")});
  std::string fixed(field);
  if (lacks_close) fixed += ']'; else fixed.insert(fixed.begin(), '[');
  d.notes.push_back({TextSpan{}, "write '" + printable(fixed) + "'"});
}

// The separator mistake on the line of `offset`, in words, or "".
std::string separator_on(std::string_view s, std::size_t offset, bool extra_values) {
  std::size_t from = offset;
  while (from > 0 && !is_line_end(s[from - 1])) --from;
  std::size_t to = offset;
  while (to < s.size() && !is_line_end(s[to])) ++to;
  const std::string_view line = trimmed(s.substr(from, to - from));
  if (line.empty() || line.front() == '-') return "";
  const std::size_t comma = line.find(',');
  const std::string_view head = line.substr(0, comma);
  for (const char sep : {'\t', ';'}) {
    const std::size_t at = head.find(sep);
    if (at == std::string_view::npos || at + 1 >= head.size()) continue;
    std::string_view rest = trimmed(head.substr(at + 1));
    if (!rest.empty() && rest.front() == sep) rest.remove_prefix(1);
    rest = trimmed(rest);
    if (rest.empty() || !(is_digit(rest.front()) || rest.front() == '-')) continue;
    return std::string("values are separated by commas; this row uses ") +
           (sep == '\t' ? "tabs" : "semicolons") +
           ": only a comma or a line end separates fields, so '" + printable(head) +
           "' is one keyword field and the row's values are read from what follows it";
  }
  if (!extra_values) return "";
  // "2,5" or "85,000": a comma between two digits, once on the line (the
  // writers' groups such as "1,1,0" hold it twice or more).
  std::size_t found = std::string_view::npos;
  int count = 0;
  for (std::size_t i = 1; i + 1 < line.size(); ++i)
    if (line[i] == ',' && is_digit(line[i - 1]) && is_digit(line[i + 1])) found = i, ++count;
  if (count != 1) return "";
  std::size_t a = found, b = found + 1;
  while (a > 0 && is_digit(line[a - 1])) --a;
  while (b < line.size() && is_digit(line[b])) ++b;
  const std::string_view number = line.substr(a, b - a);
  const std::string_view before = line.substr(a, found - a), after = line.substr(found + 1, b - found - 1);
  return "'" + std::string(number) + "' is read as two values, " + std::string(before) + " and " +
         std::string(after) + ": a comma always separates values, so write whole numbers without "
         "a decimal comma or a thousands separator (" + std::string(before) + std::string(after) +
         (after.size() == 3 ? "" : ", or " + std::string(before)) + ")";
}

std::size_t line_start(std::string_view s, std::size_t at) {
  while (at > 0 && !is_line_end(s[at - 1])) --at;
  return at;
}

void name_separators(Modello& m, Text text, std::string_view s) {
  std::size_t error_line = TextSpan::npos;
  for (Diagnostic& d : m.diagnostics)
    if (d.severity == Severity::error && d.at.text == text && d.at.offset < s.size())
      error_line = line_start(s, d.at.offset);
  for (Diagnostic& d : m.diagnostics) {
    if (d.at.text != text || d.at.offset == TextSpan::npos || d.at.offset >= s.size()) continue;
    const bool error = d.severity == Severity::error;
    if (!error && d.code != "missing-values" && d.code != "extra-values" &&
        d.code != "keyword-in-comment" && d.code != "unknown-keyword" && d.code != "not-read")
      continue;
    const std::string why = separator_on(s, d.at.offset, d.code == "extra-values");
    if (why.empty()) continue;
    if (error) {
      d.message += "; " + why;
      continue;
    }
    d.notes.insert(d.notes.begin(), {TextSpan{}, "the reader says: " + d.message});
    d.code = "separator";
    d.message = why;
  }
  // The error of the same line names the separator already.
  if (error_line != TextSpan::npos)
    drop_diagnostics(m, [&](const Diagnostic& d) {
      return d.code == "separator" && d.at.text == text && d.at.offset < s.size() &&
             line_start(s, d.at.offset) == error_line;
    });
}

}  // namespace

void check_layout(Modello& m, Text text, std::string_view source) {
  // A text without a quote has no quote to check: most texts.
  if (source.find('"') != std::string_view::npos) {
    Fields fields(source);
    Field f;
    while (fields.next(f))
      if (f.quoted && (f.lines_inside > 0 || f.close == std::string_view::npos))
        unclosed_quote(m, text, f, source);
  }
  if (text == Text::linea) malformed_header(m, source);
  name_separators(m, text, source);
}

}  // namespace scenario
