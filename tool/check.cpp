// scenarioc check: an author's two texts compiled in memory exactly as
// compile compiles them, every warning and the error shown, nothing written
// anywhere.
#include "tool/check.h"

#include "model/version.h"

#include "compiler/compile.h"
#include "model/errors.h"
#include "model/version.h"
#include "platform/platform.h"
#include "text/description_file.h"
#include "tool/cli.h"
#include "tool/json.h"

namespace scenarioc {

const std::string_view check_usage =
    "usage: scenarioc check [--scenario NAME] [--train NUMBER] [--json] [-Werror]\n"
    "                       [-Wno-CODE]... [--diagnostic-limit N] SOURCE_DIR\n"
    "\n"
    "Reads SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt, compiles them\n"
    "in memory exactly as 'scenarioc compile' does (with the line plan) and writes\n"
    "nothing anywhere. Every warning and the error, if any, go to standard error:\n"
    "\n"
    "  FILE:LINE:COL: warning: message [-Wcode]\n"
    "  the line of the text\n"
    "  ^~~~ under the field\n"
    "  FILE:LINE:COL: note: ...\n"
    "\n"
    "  --scenario NAME  scenario name (default: that of SOURCE_DIR's one line text,\n"
    "                   else Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default: that of the scenario's one train\n"
    "                   text in SOURCE_DIR, else 254)\n"
    "  --json           print one JSON object on standard output instead:\n"
    "                   {\"diagnostics\": [...], \"numero_errore\", \"posizione_errore\", \"fatal\",\n"
    "                    \"omitted\": [...], \"version\"}\n"
    "  -Werror          count warnings as errors\n"
    "  -Wno-CODE        leave out the warnings of CODE\n"
    "  --diagnostic-limit N\n"
    "                   show at most N diagnostics of one code for each text (default\n"
    "                   10; 0 shows all); the rest are counted in one note, \"and 120\n"
    "                   more 'unknown-keyword' warnings\" (in JSON, \"omitted\")\n"
    "\n"
    "Exit status: 0 no error (warnings allowed); 1 a scenario error, or a warning\n"
    "under -Werror; 2 a text that cannot be read; 64 a wrong command line.\n"
    "\n"
    "Warnings (doc/description-formats.md, \"Common mistakes\", shows each with its fix):\n";

namespace {

using namespace scenario;

std::string in_json(const CheckResult& r, const Sources& s, const WarningOptions& w) {
  Json j;
  j.begin_object();
  const Modello& m = r.compiled.model;
  const CompileStatus& status = r.compiled.status;
  j.key("diagnostics");
  as_json(j, m, s, w);
  j.key("numero_errore").integer(m.numero_errore);
  j.key("posizione_errore").integer(m.posizione_errore);
  j.key("fatal");
  if (status.ending == CompileStatus::Ending::fatal) j.integer(status.error); else j.null();
  j.key("omitted");
  omitted_json(j, m, s, w);
  j.key("version").text(scenario::version);
  j.end_object();
  return j.result();
}

}  // namespace

void Unreadable::as_json(Json& j) const {
  j.begin_list().begin_object();
  j.key("file").as_typed(path);
  j.key("line").null();
  j.key("column").null();
  j.key("severity").text("error");
  j.key("code").text("unreadable-text");
  j.key("message").as_typed(message);
  j.key("notes").begin_list().end_list();
  j.end_object().end_list();
}

std::optional<Unreadable> read_sources(const std::string& directory, const FileNames& names,
                                       Sources& s) {
  s.linea.percorso = platform::join_path(directory, names.linea_txt());
  s.treno.percorso = platform::join_path(directory, names.treno_txt());
  for (Source* source : {&s.linea, &s.treno}) {
    const std::string_view which = source == &s.linea ? "line" : "train";
    DescriptionFile f = read_description_file(source->percorso);
    if (!f.bytes)
      return Unreadable{source->percorso,
                        "cannot read the " + std::string(which) + " description: " + f.problem};
    source->testo = std::move(f.bytes);
  }
  return std::nullopt;
}

CompileResult compile_sources(const Sources& s, const CompileOptions& options) {
  TextInMemory linea(s.linea.testo, s.linea.percorso);
  TextInMemory treno(s.treno.testo, s.treno.percorso);
  return compile({linea, treno}, options);
}

CheckResult check_sources(const Sources& s, const FileNames& names, const WarningOptions& w,
                          bool json) {
  CheckResult r;
  // Curves are read as the compilation reads them; their points, which no
  // diagnostic reads, are not computed.
  r.compiled = compile_sources(s, {.names = names, .build_plan = false, .diagnostic_limit = w.limit});
  const Modello& m = r.compiled.model;
  const bool failed = !r.compiled.status.ok() || (w.as_errors && warnings_shown(m, w) > 0);
  r.status = failed ? exit_error : exit_ok;
  r.text = json ? in_json(r, s, w) : as_text(m, s, w);
  return r;
}

int run_check(std::span<const std::string> args) {
  std::vector<std::string> rest(args.begin(), args.end());
  const WarningOptions w = take_warning_options(rest);
  const Arguments a = parse_arguments(rest, {"--json"}, {"--scenario", "--train"});
  if (a.help) {
    write_out(std::string(check_usage) + warning_list());
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("check takes one SOURCE_DIR");
  const FileNames names = names_in_folder(a, a.operands[0], FoundIn::texts);

  Sources s;
  if (const auto refused = read_sources(a.operands[0], names, s)) {
    write_err(refused->text());
    if (a.has("--json")) {
      Json j;
      j.begin_object().key("diagnostics");
      refused->as_json(j);
      j.key("numero_errore").integer(0).key("posizione_errore").integer(0);
      j.key("fatal").null().key("omitted").begin_list().end_list().key("version").text(scenario::version).end_object();
      write_out(j.result());
    }
    return exit_failure;
  }
  const CheckResult r = check_sources(s, as_stored(names), w, a.has("--json"));
  if (a.has("--json")) write_out(r.text); else write_err(r.text);
  return r.status;
}

}  // namespace scenarioc
