#include "lsp/published_diagnostics.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "lsp/encoding.h"
#include "lsp/features.h"
#include "lsp/uri.h"
#include "model/diagnostic_presenter.h"

namespace lsp {
namespace {

using nlohmann::json;
using scenario::Diagnostic;
using scenario::TextSpan;

constexpr int severity_error = 1, severity_warning = 2, severity_information = 3;
constexpr std::string_view unmapped_code = "not-windows-1252";

const std::string& text_path(const Unit& u, scenario::Text t) {
  if (t == scenario::Text::linea) return u.line_path;
  if (t == scenario::Text::treno) return u.train_path;
  // A place in neither text: shown on the train text, or the line alone.
  return u.train_path.empty() ? u.line_path : u.train_path;
}

// The warnings for characters without a Windows-1252 form, one per row
// however many it holds: a text of nothing else must not make a message
// each. Rows beyond the limit are only counted, as the compiler counts.
struct UnmappedRows {
  std::vector<Diagnostic> rows;
  scenario::DiagnosticLimit limit;
};

Diagnostic unmapped_row(const Document& d, std::size_t from, std::size_t to, std::size_t count) {
  Diagnostic g;
  g.code = std::string(unmapped_code);
  g.at = {d.file->text, from, to - from};
  g.message = count == 1 ? "this character has no place in Windows-1252, the code page of "
                           "the description texts: it is compiled as '?'"
                         : "characters here have no place in Windows-1252, the code page of "
                           "the description texts: each is compiled as '?'";
  return g;
}

UnmappedRows unmapped_rows(const Document& d, const LineIndex& own, std::size_t limit) {
  UnmappedRows out;
  out.limit.per_code = limit;
  std::size_t line = 0, from = 0, to = 0, count = 0;
  auto row_done = [&] {
    if (count == 0) return;
    const TextSpan at{d.file->text, from, to - from};
    if (out.limit.admit(unmapped_code, scenario::Severity::warning, at))
      out.rows.push_back(unmapped_row(d, from, to, count));
    count = 0;
  };
  d.unmapped.runs([&](std::size_t first, std::size_t length) {
    const std::size_t l = own.position(first).line;
    if (count > 0 && l != line) row_done();
    if (count == 0) {
      line = l;
      from = first;
    }
    to = first + length;
    count += length;
  });
  row_done();
  return out;
}

// Where a diagnostic of a unit is shown in this document: at its own place,
// at the first line for a partner text that is not open, or not here.
struct Placement {
  bool shown = false;
  bool here = false;
  const std::string* path = nullptr;
  const std::string* bytes = nullptr;  // none: the text is not there
  std::size_t from = 0, length = 0;
  std::string target_uri;
};

// Renders what the presenter hands it as the protocol's Diagnostic objects.
class ProtocolSink : public scenario::DiagnosticSink {
 public:
  ProtocolSink(Workspace& w, const Document& d) : w_(w), d_(d), own_(d.bytes) {}

  json list = json::array();
  // The unit whose texts the next diagnostics stand in; none: this text.
  const Unit* unit = nullptr;
  const LineIndex& own() const { return own_; }

  void diagnostic(const scenario::ShownDiagnostic& s) override;
  void note(const scenario::ShownDiagnostic& s, const scenario::ShownNote& n) override;
  void end(const scenario::ShownDiagnostic& s) override;
  void omitted(const scenario::DiagnosticTally& t, bool as_error) override;

 private:
  const std::string& path_of(scenario::Text t) const {
    return unit ? text_path(*unit, t) : d_.path;
  }
  const std::string* bytes_of(const std::string& path) const;
  const LineIndex& index_of(const std::string* bytes);
  // What belongs to no place of this text stands on its first line: an
  // empty range at 0:0 is drawn by no editor.
  json first_line() const { return range_json(own_, 0, own_.line(0).size()); }
  Placement place(const Diagnostic& g);
  json span_range(const std::string& path, const TextSpan& at);

  Workspace& w_;
  const Document& d_;
  const LineIndex own_;
  // One index per text, however many diagnostics it holds.
  std::map<const std::string*, LineIndex> indexes_;
  std::set<std::tuple<std::string, std::size_t, std::size_t, std::string, std::string>> seen_;
  std::set<std::string> summed_;
  // The diagnostic being rendered.
  Placement at_;
  json item_, related_;
  std::string message_;
};

const std::string* ProtocolSink::bytes_of(const std::string& path) const {
  if (!unit) return &d_.bytes;
  return (path == unit->line_path ? unit->line_bytes : unit->train_bytes).get();
}

const LineIndex& ProtocolSink::index_of(const std::string* bytes) {
  static const std::string none;
  const std::string& text = bytes ? *bytes : none;
  return indexes_.try_emplace(&text, text).first->second;
}

Placement ProtocolSink::place(const Diagnostic& g) {
  Placement p;
  p.path = &path_of(g.at.text);
  p.bytes = bytes_of(*p.path);
  const std::string_view text = p.bytes ? std::string_view(*p.bytes) : std::string_view();
  p.here = *p.path == d_.path;
  const Document* there = p.here ? &d_ : w_.open_at(*p.path);
  // An open partner shows its own; a closed one's errors come here.
  if (!p.here && (there || g.severity != scenario::Severity::error)) return p;
  if (g.at.offset != TextSpan::npos) {
    p.from = std::min(g.at.offset, text.size());
    p.length = g.at.length != 0 ? g.at.length : field_length(text, p.from);
    p.length = std::min(p.length, text.size() - p.from);
  }
  p.shown = seen_.insert({*p.path, p.from, p.length, g.code, g.message}).second;
  p.target_uri = there ? there->uri : sibling_uri(d_.uri, file_name(*p.path));
  return p;
}

json ProtocolSink::span_range(const std::string& path, const TextSpan& at) {
  const std::string* bytes = bytes_of(path);
  const std::string_view text = bytes ? std::string_view(*bytes) : std::string_view();
  const std::size_t from = std::min(at.offset, text.size());
  const std::size_t length =
      std::min(at.length ? at.length : field_length(text, from), text.size() - from);
  return range_json(index_of(bytes), from, from + length);
}

void ProtocolSink::diagnostic(const scenario::ShownDiagnostic& s) {
  const Diagnostic& g = s.diagnostic;
  at_ = place(g);
  if (!at_.shown) return;
  item_ = {{"severity", s.as_error ? severity_error : severity_warning},
           {"code", g.code},
           {"source", "scenarioc"}};
  message_ = s.number_label + protocol_text(g.message);
  related_ = json::array();
}

void ProtocolSink::note(const scenario::ShownDiagnostic&, const scenario::ShownNote& n) {
  if (!at_.shown) return;
  // A note without a place is read with the message; the protocol places
  // related information only at a place of its own.
  if (!n.own_place || n.at.offset == TextSpan::npos) {
    message_ += "\n" + protocol_text(n.message);
    return;
  }
  const std::string& path = path_of(n.at.text);
  const Document* open = w_.open_at(path);
  related_.push_back({{"location",
                       {{"uri", open ? open->uri : sibling_uri(d_.uri, file_name(path))},
                        {"range", span_range(path, n.at)}}},
                      {"message", protocol_text(n.message)}});
}

void ProtocolSink::end(const scenario::ShownDiagnostic& s) {
  if (!at_.shown) return;
  const bool no_place =
      s.diagnostic.at.offset == TextSpan::npos || (at_.from == 0 && at_.length == 0);
  if (at_.here) {
    item_["range"] = no_place ? first_line() : range_json(own_, at_.from, at_.from + at_.length);
  } else if (!at_.bytes) {
    // A partner that is not there (no line text beside a train text).
    message_ = std::string(file_name(*at_.path)) + ": " + message_;
    item_["range"] = first_line();
  } else {
    // Shown at the top of this text, and pointing at its place.
    const LineIndex& index = index_of(at_.bytes);
    const Position p = index.position(at_.from);
    message_ = std::string(file_name(*at_.path)) + ":" + std::to_string(p.line + 1) + ":" +
               std::to_string(p.character + 1) + ": " + message_;
    item_["range"] = first_line();
    related_.insert(related_.begin(),
                    json::object({{"location",
                                   {{"uri", at_.target_uri},
                                    {"range", range_json(index, at_.from, at_.from + at_.length)}}},
                                  {"message", "the error is here"}}));
  }
  item_["message"] = std::move(message_);
  if (!related_.empty()) item_["relatedInformation"] = std::move(related_);
  list.push_back(std::move(item_));
}

void ProtocolSink::omitted(const scenario::DiagnosticTally& t, bool) {
  // Each code's count once in this text, however many scenarios it is in.
  const bool unmapped = t.code == unmapped_code;
  if (path_of(t.text) != d_.path || !summed_.insert(t.code).second) return;
  const std::size_t at = std::min(t.first_omitted.offset, d_.bytes.size());
  list.push_back({{"severity", severity_information},
                  {"code", t.code},
                  {"source", "scenarioc"},
                  {"range", range_json(own_, at, at)},
                  // What is counted there is rows, not characters.
                  {"message", scenario::omitted_summary(t) +
                                  (unmapped ? " (rows with such characters)" : "")}});
}

}  // namespace

json published_diagnostics(Workspace& w, const Document& d) {
  // Other texts the editor may send (any *.txt) are none of this server's
  // business: nothing is said about them.
  if (!d.file) return json::array();
  ProtocolSink sink(w, d);
  const std::vector<const Unit*> units = w.units(d);
  for (const Unit* u : units) {
    sink.unit = u;
    scenario::present_diagnostics(u->diagnostics, {}, sink);
  }
  for (const Unit* u : units) {
    sink.unit = u;
    scenario::present_omitted(u->model.diagnostic_limit.omitted(), {}, sink);
  }
  sink.unit = nullptr;
  const UnmappedRows unmapped = unmapped_rows(d, sink.own(), w.diagnostic_limit());
  scenario::present_diagnostics(unmapped.rows, {}, sink);
  scenario::present_omitted(unmapped.limit.omitted(), {}, sink);
  return std::move(sink.list);
}

}  // namespace lsp
