#include "tool/diagnostics.h"

#include <algorithm>
#include <string_view>

#include "tool/cli.h"
#include "tool/source_line.h"
#include "text/field_reader.h"

namespace scenarioc {
namespace {

using namespace scenario;


// A place in a description text as a front end shows it: the file as named
// on the command line, 1-based line and column (in bytes), the line itself.
struct Place {
  const Source* source = nullptr;  // none: the scenario as a whole
  bool located = false;              // line and column known
  std::size_t line = 0, column = 0;
  std::string_view text;             // the whole line
  std::size_t length = 0;            // bytes under the caret
};

// Lines are found from checkpoints taken every 64 KiB of a text in one pass,
// so many diagnostics cost no more than one pass over the text and a short
// scan each, and a text of nothing but line ends no table eight times its
// size.
class Placer {
 public:
  explicit Placer(const Sources& s) : s_(s) {}

  Place place(const TextSpan& at) {
    Place p;
    if (at.text == Text::none) return p;
    const bool treno = at.text == Text::treno;
    p.source = treno ? &s_.treno : &s_.linea;
    if (!p.source->testo || at.offset == TextSpan::npos) return p;
    const std::string_view text = *p.source->testo;
    const std::size_t offset = std::min(at.offset, text.size());
    Checkpoint c = checkpoints(treno, text)[offset / stride];
    for (std::size_t i = c.offset; i < offset; ++i) {
      if (ends_line(text, i)) {
        ++c.line;
        c.line_start = i + 1;
      }
    }
    p.located = true;
    p.line = c.line + 1;
    p.column = offset - c.line_start + 1;
    std::size_t end = c.line_start;
    while (end < text.size() && !is_line_end(text[end])) ++end;
    p.text = text.substr(c.line_start, end - c.line_start);
    p.length = at.length;
    return p;
  }

 private:
  static constexpr std::size_t stride = 64 * 1024;
  struct Checkpoint {
    std::size_t offset = 0, line = 0, line_start = 0;  // line: 0-based
  };

  // Line ends as the field reader counts them: CR LF, or a lone CR or LF.
  static bool ends_line(std::string_view text, std::size_t i) {
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
  }

  const std::vector<Checkpoint>& checkpoints(bool treno, std::string_view text) {
    std::vector<Checkpoint>& marks = treno ? train_marks_ : line_marks_;
    if (!marks.empty()) return marks;
    marks.reserve(text.size() / stride + 1);
    Checkpoint c;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i % stride == 0) {
        c.offset = i;
        marks.push_back(c);
      }
      if (i < text.size() && ends_line(text, i)) {
        ++c.line;
        c.line_start = i + 1;
      }
    }
    return marks;
  }

  const Sources& s_;
  std::vector<Checkpoint> line_marks_, train_marks_;
};

std::string prefix(const Place& p) {
  if (!p.source) return "scenarioc: ";
  if (!p.located) return p.source->percorso + ": ";
  return p.source->percorso + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": ";
}

// The line and a caret under the span.
std::string source_lines(const Place& p) {
  if (!p.located || p.text.empty()) return "";
  const ShownLine shown = show_line(p.text, p.column, p.length);
  return shown.text + "\n" + shown.caret + "\n";
}

bool is_error(const Diagnostic& d, const WarningOptions& w) {
  return d.severity == Severity::error || w.as_errors;
}

// "error 16: ", "warning: " or, under -Werror, "error: ".
std::string label(const Diagnostic& d, const WarningOptions& w) {
  if (d.severity == Severity::error) {
    const std::string_view code = d.code;
    return "error " + std::string(code.substr(code.find('-') + 1)) + ": ";
  }
  return w.as_errors ? "error: " : "warning: ";
}

std::string tag(const Diagnostic& d, const WarningOptions& w) {
  if (d.severity == Severity::error) return "";
  return w.as_errors ? " [-Werror=" + d.code + "]" : " [-W" + d.code + "]";
}

void place_json(Json& j, const Place& p) {
  j.key("file");
  if (p.source) j.as_typed(p.source->percorso); else j.null();
  j.key("line");
  if (p.located) j.integer(static_cast<std::int64_t>(p.line)); else j.null();
  j.key("column");
  if (p.located) j.integer(static_cast<std::int64_t>(p.column)); else j.null();
}

}  // namespace

WarningOptions take_warning_options(std::vector<std::string>& args) {
  WarningOptions w;
  std::vector<std::string> rest;
  bool options = true, limit_given = false;
  bool limit_next = false;
  for (std::string& a : args) {
    if (limit_next) {
      limit_next = false;
      const bool digits = !a.empty() && a.size() <= 9 && a.find_first_not_of("0123456789") == std::string::npos;
      if (!digits) throw UsageError("--diagnostic-limit takes a whole number, not \"" + a + "\"");
      w.limit = static_cast<std::size_t>(std::stoul(a));
      continue;
    }
    if (a == "--") options = false;
    if (options && a == "--diagnostic-limit") {
      if (limit_given) throw UsageError("--diagnostic-limit given twice");
      limit_given = limit_next = true;
      continue;
    }
    if (!options || !a.starts_with("-W")) {
      rest.push_back(std::move(a));
      continue;
    }
    if (a == "-Werror") {
      w.as_errors = true;
    } else if (a.starts_with("-Wno-") && is_warning_code(std::string_view(a).substr(5))) {
      w.disabled.insert(a.substr(5));
    } else if (a.starts_with("-Wno-")) {
      throw UsageError("no warning is called " + a.substr(5) + " (see --help)");
    } else {
      throw UsageError("unknown option " + a);
    }
  }
  if (limit_next) throw UsageError("--diagnostic-limit needs a value");
  args = std::move(rest);
  return w;
}

std::vector<const Diagnostic*> shown(const Modello& m, const WarningOptions& w) {
  std::vector<const Diagnostic*> out;
  for (const Diagnostic& d : m.diagnostics)
    if (d.severity == Severity::error || !w.disabled.contains(d.code)) out.push_back(&d);
  return out;
}

std::size_t warnings_shown(const Modello& m, const WarningOptions& w) {
  std::size_t n = 0;
  for (const Diagnostic* d : shown(m, w)) n += d->severity == Severity::warning ? 1 : 0;
  return n;
}

std::string as_text(const Modello& m, const Sources& s, const WarningOptions& w) {
  Placer placer(s);
  std::string out;
  for (const Diagnostic* d : shown(m, w)) {
    const Place at = placer.place(d->at);
    out += prefix(at) + label(*d, w) + d->message + tag(*d, w) + "\n" + source_lines(at);
    for (const DiagnosticNote& n : d->notes) {
      if (n.at.text == Text::none) {
        out += prefix(at) + "note: " + n.message + "\n";
      } else {
        // The line is shown again only where the note stands elsewhere.
        const Place there = placer.place(n.at);
        const bool same_line = there.source == at.source && there.line == at.line;
        out += prefix(there) + "note: " + n.message + "\n" + (same_line ? "" : source_lines(there));
      }
    }
  }
  for (const DiagnosticTally* t : m.diagnostic_limit.omitted()) {
    if (t->severity == Severity::warning && w.disabled.contains(t->code)) continue;
    out += prefix(placer.place(t->first_omitted)) + "note: " + omitted_summary(*t) +
           " (--diagnostic-limit 0 shows every one)\n";
  }
  return out;
}

void as_json(Json& j, const Modello& m, const Sources& s, const WarningOptions& w) {
  Placer placer(s);
  j.begin_list();
  for (const Diagnostic* d : shown(m, w)) {
    const Place at = placer.place(d->at);
    j.begin_object();
    place_json(j, at);
    j.key("severity").text(is_error(*d, w) ? "error" : "warning");
    j.key("code").text(d->code);
    j.key("message").text(d->message);
    j.key("notes").begin_list();
    for (const DiagnosticNote& n : d->notes) {
      j.begin_object();
      place_json(j, n.at.text == Text::none ? at : placer.place(n.at));
      j.key("message").text(n.message);
      j.end_object();
    }
    j.end_list();
    j.end_object();
  }
  j.end_list();
}

void omitted_json(Json& j, const Modello& m, const Sources& s, const WarningOptions& w) {
  Placer placer(s);
  j.begin_list();
  for (const DiagnosticTally* t : m.diagnostic_limit.omitted()) {
    if (t->severity == Severity::warning && w.disabled.contains(t->code)) continue;
    j.begin_object();
    place_json(j, placer.place(t->first_omitted));
    j.key("severity").text(t->severity == Severity::error || w.as_errors ? "error" : "warning");
    j.key("code").text(t->code);
    j.key("count").integer(static_cast<std::int64_t>(t->omitted));
    j.end_object();
  }
  j.end_list();
}

std::string warning_list() {
  std::string out;
  for (const WarningCode& c : warning_codes) {
    std::string code(c.code);
    code.resize(std::max<std::size_t>(code.size(), 22), ' ');
    out += "  " + code + std::string(c.summary) + "\n";
  }
  return out;
}

}  // namespace scenarioc
