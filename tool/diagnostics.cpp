#include "tool/diagnostics.h"

#include <algorithm>
#include <string_view>

#include "model/diagnostic_presenter.h"
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

// "error 16: ", "warning: " or, under -Werror, "error: ".
std::string label(const ShownDiagnostic& d) {
  if (!d.number_label.empty()) return d.number_label;
  return d.as_error ? "error: " : "warning: ";
}

std::string tag(const ShownDiagnostic& d) {
  if (d.diagnostic.severity == Severity::error) return "";
  return d.as_error ? " [-Werror=" + d.diagnostic.code + "]" : " [-W" + d.diagnostic.code + "]";
}

void place_json(Json& j, const Place& p) {
  j.key("file");
  if (p.source) j.as_typed(p.source->percorso); else j.null();
  j.key("line");
  if (p.located) j.integer(static_cast<std::int64_t>(p.line)); else j.null();
  j.key("column");
  if (p.located) j.integer(static_cast<std::int64_t>(p.column)); else j.null();
}


ShowOptions show_options(const WarningOptions& w) { return {.as_errors = w.as_errors, .disabled = &w.disabled}; }

// The GNU shape: each diagnostic with its line and a caret, then its notes.
class TextSink : public DiagnosticSink {
 public:
  explicit TextSink(const Sources& s) : placer_(s) {}
  std::string out;

  void diagnostic(const ShownDiagnostic& d) override {
    at_ = placer_.place(d.diagnostic.at);
    out += prefix(at_) + label(d) + d.diagnostic.message + tag(d) + "\n" + source_lines(at_);
  }
  void note(const ShownDiagnostic&, const ShownNote& n) override {
    if (!n.own_place) {
      out += prefix(at_) + "note: " + std::string(n.message) + "\n";
      return;
    }
    // The line is shown again only where the note stands elsewhere.
    const Place there = placer_.place(n.at);
    const bool same_line = there.source == at_.source && there.line == at_.line;
    out += prefix(there) + "note: " + std::string(n.message) + "\n" + (same_line ? "" : source_lines(there));
  }
  void omitted(const DiagnosticTally& t, bool) override {
    out += prefix(placer_.place(t.first_omitted)) + "note: " + omitted_summary(t) +
           " (--diagnostic-limit 0 shows every one)\n";
  }

 private:
  Placer placer_;
  Place at_;
};

// One JSON object per diagnostic, its notes inside; the counts left out go
// to a list of their own.
class JsonSink : public DiagnosticSink {
 public:
  JsonSink(Json& j, const Sources& s) : j_(j), placer_(s) {}

  void diagnostic(const ShownDiagnostic& d) override {
    at_ = placer_.place(d.diagnostic.at);
    j_.begin_object();
    place_json(j_, at_);
    j_.key("severity").text(d.as_error ? "error" : "warning");
    j_.key("code").text(d.diagnostic.code);
    j_.key("message").text(d.diagnostic.message);
    j_.key("notes").begin_list();
  }
  void note(const ShownDiagnostic&, const ShownNote& n) override {
    j_.begin_object();
    place_json(j_, n.own_place ? placer_.place(n.at) : at_);
    j_.key("message").text(n.message);
    j_.end_object();
  }
  void end(const ShownDiagnostic&) override {
    j_.end_list();
    j_.end_object();
  }
  void omitted(const DiagnosticTally& t, bool as_error) override {
    j_.begin_object();
    place_json(j_, placer_.place(t.first_omitted));
    j_.key("severity").text(as_error ? "error" : "warning");
    j_.key("code").text(t.code);
    j_.key("count").integer(static_cast<std::int64_t>(t.omitted));
    j_.end_object();
  }

 private:
  Json& j_;
  Placer placer_;
  Place at_;
};

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
  const ShowOptions o = show_options(w);
  for (const Diagnostic& d : m.diagnostics)
    if (is_shown(d, o)) out.push_back(&d);
  return out;
}

std::size_t warnings_shown(const Modello& m, const WarningOptions& w) {
  std::size_t n = 0;
  for (const Diagnostic* d : shown(m, w)) n += d->severity == Severity::warning ? 1 : 0;
  return n;
}

std::string as_text(const Modello& m, const Sources& s, const WarningOptions& w) {
  TextSink sink(s);
  present_diagnostics(m.diagnostics, show_options(w), sink);
  present_omitted(m.diagnostic_limit.omitted(), show_options(w), sink);
  return std::move(sink.out);
}

void as_json(Json& j, const Modello& m, const Sources& s, const WarningOptions& w) {
  JsonSink sink(j, s);
  j.begin_list();
  present_diagnostics(m.diagnostics, show_options(w), sink);
  j.end_list();
}

void omitted_json(Json& j, const Modello& m, const Sources& s, const WarningOptions& w) {
  JsonSink sink(j, s);
  j.begin_list();
  present_omitted(m.diagnostic_limit.omitted(), show_options(w), sink);
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
