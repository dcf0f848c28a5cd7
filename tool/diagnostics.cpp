#include "tool/diagnostics.h"

#include <algorithm>
#include <string_view>

#include "tool/cli.h"
#include "tool/source_line.h"

namespace scenarioc {
namespace {

using namespace scenario;

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// A place in a description text as a front end shows it: the file as named
// on the command line, 1-based line and column (in bytes), the line itself.
struct Place {
  const Source* source = nullptr;  // none: the scenario as a whole
  bool located = false;              // line and column known
  std::size_t line = 0, column = 0;
  std::string_view text;             // the whole line
  std::size_t length = 0;            // bytes under the caret
};

// Lines are found through a table of line starts, built once per text, so
// many diagnostics cost no more than one pass over the text.
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
    const std::vector<std::size_t>& starts = lines(treno, text);
    const std::size_t offset = std::min(at.offset, text.size());
    const std::size_t i =
        static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    p.located = true;
    p.line = i + 1;
    p.column = offset - starts[i] + 1;
    std::size_t end = starts[i];
    while (end < text.size() && !is_line_end(text[end])) ++end;
    p.text = text.substr(starts[i], end - starts[i]);
    p.length = at.length;
    return p;
  }

 private:
  // Line ends as the field reader counts them: CR LF, or a lone CR or LF.
  const std::vector<std::size_t>& lines(bool treno, std::string_view text) {
    std::vector<std::size_t>& starts = treno ? treno_ : linea_;
    if (!starts.empty()) return starts;
    starts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
        starts.push_back(i + 1);
    }
    return starts;
  }

  const Sources& s_;
  std::vector<std::size_t> linea_, treno_;
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
  bool options = true;
  for (std::string& a : args) {
    if (a == "--") options = false;
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
