// scenarioc compile: the one-shot program's compilation run on an author's
// own texts, read into memory and compiled there. The compiled files are
// staged in a private folder inside the output folder and then replace the
// files of their names there as one set, so the output folder holds the old
// set or the new one, never a mix; runs that write into one folder take
// turns. The author's sources are only ever read.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "format/compiled_files.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/version.h"
#include "platform/platform.h"
#include "tool/check.h"
#include "tool/cli.h"
#include "tool/diagnostics.h"
#include "tool/spool.h"
#include "tool/json.h"

namespace scenarioc {

const std::string_view compile_usage =
    "usage: scenarioc compile [--scenario NAME] [--train NUMBER] [--no-plan] [--out DIR]\n"
    "                         [--json] [-Werror] [-Wno-CODE]... [--diagnostic-limit N]\n"
    "                         SOURCE_DIR\n"
    "\n"
    "Compiles SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt exactly as\n"
    "the one-shot program compiles its own, and leaves NAME_linea.dat, NAME_NUMBER.sim\n"
    "and NAME_NUMBER.dat in DIR. The source texts are never changed. The compiled\n"
    "files replace those of their names in DIR all together, once all are\n"
    "written; runs that write into one DIR take turns.\n"
    "\n"
    "  --scenario NAME  scenario name (default: that of SOURCE_DIR's one line text,\n"
    "                   else Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default: that of the scenario's one train\n"
    "                   text in SOURCE_DIR, else 254)\n"
    "  --no-plan        do not build the line plan nor write NAME_linea.dat\n"
    "  --out DIR        where the compiled files go (default SOURCE_DIR), created\n"
    "                   when missing as mkdir creates it (its parent must exist)\n"
    "  --json           print one JSON object on standard output instead:\n"
    "                   {\"numero_errore\", \"posizione_errore\", \"fatal\", \"failure\", \"files\",\n"
    "                    \"diagnostics\", \"omitted\", \"version\"}\n"
    "  -Werror          count warnings as errors (the files are still written)\n"
    "  -Wno-CODE        leave out the warnings of CODE (see 'scenarioc check --help')\n"
    "  --diagnostic-limit N\n"
    "                   show at most N diagnostics of one code for each text (default\n"
    "                   10; 0 shows all), as 'scenarioc check' does\n"
    "\n"
    "Warnings and errors are explained on standard error as\n"
    "FILE:LINE:COL: warning: ... or FILE:LINE:COL: error N: ..., as 'scenarioc check'\n"
    "shows them. A description text that cannot be read is refused before anything\n"
    "is compiled.\n"
    "Exit status: 0 no error; 1 a scenario error, or a warning under -Werror (the\n"
    "compiled files are still written); 2 a text that cannot be read, a fatal header\n"
    "clash or a failure: DIR keeps the compiled files it had, untouched (or the\n"
    "report could not be written and no file was); 3 the compiled files were put\n"
    "in place with no error, but the report could not be written (standard output\n"
    "or error failed); 64 a wrong command line.\n";

namespace {

using namespace scenario;

// A JSON object written around a list held elsewhere.
struct JsonParts {
  std::string head, tail;
};

struct Outcome {
  int exit_status = exit_ok;
  std::int32_t numero_errore = 0;
  std::int32_t posizione_errore = 0;
  std::optional<std::int32_t> fatal_error;
  std::optional<std::string> failure;
  bool no_cells = false;       // the compiler stopped before the cells existed
  std::vector<std::string> files;  // compiled files now in the output directory
  // For standard error, once the work is done: the diagnostics shown, then
  // the messages.
  Spool shown_text;
  std::string messages;
  std::optional<Unreadable> unreadable;  // a text refused before compiling
  // The --json object, once the compilation ran: its diagnostics list is
  // what the spool holds, between the head and the tail.
  Spool shown_json;
  std::optional<JsonParts> json;
};

// Why `path` cannot be the folder it must be; nothing when it can.
std::optional<std::string> not_a_folder(const std::string& path) {
  const platform::FileInfo info = platform::file_info(path);
  if (info.kind == platform::FileKind::missing) return "does not exist";
  if (info.kind != platform::FileKind::directory) return "is not a directory";
  return std::nullopt;
}

void fail_run(Outcome& e, const std::string& failure) {
  e.exit_status = exit_failure;
  e.failure = failure;
}

// The compiler's own run on the texts read, in memory. Scenario errors stay
// in the model; what ends the run early is noted in `e`. The model holds
// the names as the compiled files store them.
CompileResult compile_texts(const Sources& s, const FileNames& stored_names, bool plan,
                            std::size_t diagnostic_limit, Tracciato::Observer* plan_observer,
                            DiagnosticOutlet* shown, Outcome& e) {
  // The bytes read for the messages are the bytes compiled.
  CompileResult r = compile_sources(s, {.names = stored_names,
                                        .read_curves = plan,
                                        .plan_observer = plan_observer,
                                        .diagnostic_limit = diagnostic_limit,
                                        .outlet = shown});
  const CompileStatus& status = r.status;
  if (status.ending == CompileStatus::Ending::fatal) {
    e.exit_status = exit_failure;
    e.fatal_error = status.error;
  } else if (!status.has_files()) {
    e.exit_status = exit_failure;
    e.failure = status.message;
    e.no_cells = status.ending == CompileStatus::Ending::no_cells;
  }
  e.numero_errore = r.model.numero_errore;
  e.posizione_errore = r.model.posizione_errore;
  // An unreadable text compiles on; the status carries why it failed.
  if (!e.failure && status.ending == CompileStatus::Ending::scenario_error && !status.message.empty())
    e.failure = status.message;
  return r;
}

// The compiled files, begun in the staging folder while the compiler ran,
// finished there and put in place as one set. The files keep the names
// typed; their texts hold the names in the files' code page.
void deliver(const Modello& m, platform::OutputSet& set, CompiledFilesWriter& writer,
             const FileNames& names, bool plan, Outcome& e) {
  std::vector<std::string> produced = compiled_file_names(names, plan);
  try {
    writer.finish(m);
    set.publish(produced);
    files_published();
    e.files = std::move(produced);
  } catch (const platform::Failure& f) {
    fail_run(e, f.what());
  }
}

// What standard error says after the warnings and the error (shown first,
// since the error may be why the run could not go on): what stopped the run
// or what was written.
std::string describe_run(const Modello& m, const std::string& output_folder, const Outcome& e) {
  std::string out;
  if (!e.fatal_error && e.exit_status == exit_failure && !e.no_cells) out += "scenarioc: " + *e.failure + "\n";

  if (e.no_cells) {
    out += "scenarioc: no compiled file was written: the line description gave no track cells\n";
  } else if (e.exit_status == exit_failure) {
    out += "scenarioc: no compiled file was written; \"" + output_folder +
           "\" keeps the files it had\n";
  } else if (m.numero_errore != 0) {
    out += "scenarioc: the compiled files were written in spite of the error\n";
  }
  return out;
}

JsonParts in_json(const Outcome& e, const Modello* m, const Sources* s, const WarningOptions& w);

// Everything is done, and the staging folder gone, before anything is
// printed: a reader that stops reading (`| head`) may end the process at its
// first write, and must not leave the folder behind.
void compile_folder(const std::string& source_folder, const std::string& output_folder,
             const FileNames& names, bool plan, const WarningOptions& w, bool json, Outcome& e) {
  try {
    if (const auto why = not_a_folder(source_folder))
      return fail_run(e, "cannot compile \"" + source_folder + "\": " + *why);
    // A missing output folder is made, as mkdir makes it.
    if (const auto why = not_a_folder(output_folder)) {
      if (platform::file_info(output_folder).kind != platform::FileKind::missing)
        return fail_run(e, "cannot write into \"" + output_folder + "\": " + *why);
      platform::create_directory(output_folder);
    }
  } catch (const platform::Failure& f) {
    return fail_run(e, f.what());
  }

  // Both texts are read before anything is compiled or written.
  Sources s;
  if (const auto unreadable = read_sources(source_folder, names, s)) {
    e.unreadable = unreadable;
    return fail_run(e, unreadable->message);
  }

  // The output folder's turn and the staging folder are taken first, so
  // that the line file is written there while its plan is computed, as the
  // one-shot program writes it. Should they fail, the texts are compiled
  // all the same, for their diagnostics, and nothing is written.
  const FileNames stored_names = as_stored(names);
  std::optional<CompileResult> r;
  // The diagnostics go to the spools as the compiler hands them on.
  std::unique_ptr<DiagnosticWriter> shown;
  auto compile_shown = [&](Tracciato::Observer* plan_observer) {
    // With --json only the JSON is shown: no text is built for it.
    DiagnosticWriter::Out to_text, to_json;
    if (json) to_json = [&e](std::string_view piece) { e.shown_json.write(piece); };
    else to_text = [&e](std::string_view piece) { e.shown_text.write(piece); };
    shown = std::make_unique<DiagnosticWriter>(s, w, std::move(to_text), std::move(to_json));
    r.emplace(compile_texts(s, stored_names, plan, w.limit, plan_observer, shown.get(), e));
  };
  auto report = [&] {
    const Modello& m = r->model;
    shown->finish(m);
    if (e.exit_status != exit_failure)
      e.exit_status = m.numero_errore == 0 && !(w.as_errors && shown->warnings_shown() > 0) ? exit_ok
                                                                                            : exit_error;
    e.messages = describe_run(m, output_folder, e);
    if (json) e.json = in_json(e, &m, &s, w);
  };
  std::string no_staging;
  try {
    platform::OutputSet set = output_set(output_folder);
    CompiledFilesWriter writer(set.path(), names);
    compile_shown(plan ? writer.plan_observer() : nullptr);
    if (e.exit_status != exit_failure) deliver(r->model, set, writer, names, plan, e);
    // While the replaced files are removed (on POSIX by a process of their
    // own, which this one does not wait for).
    return report();
  } catch (const platform::Failure& f) {
    if (r) throw;
    no_staging = f.what();
  }
  compile_shown(nullptr);
  if (e.exit_status != exit_failure) fail_run(e, no_staging);
  report();
}

// `m` and `s` are missing when the run ended before anything was compiled;
// else the diagnostics list goes between the head and the tail.
JsonParts in_json(const Outcome& e, const Modello* m, const Sources* s, const WarningOptions& w) {
  JsonParts parts;
  Json j;
  j.begin_object();
  j.key("numero_errore").integer(e.numero_errore);
  j.key("posizione_errore").integer(e.posizione_errore);
  j.key("fatal");
  if (e.fatal_error) j.integer(*e.fatal_error); else j.null();
  j.key("failure");
  if (e.failure) j.as_typed(*e.failure); else j.null();
  j.key("files").begin_list();
  for (const std::string& f : e.files) j.as_typed(f);
  j.end_list();
  j.key("diagnostics");
  if (m) {
    parts.head = j.take_written();
    j.value_written_elsewhere();
  } else if (e.unreadable) e.unreadable->as_json(j);
  else j.begin_list().end_list();
  j.key("omitted");
  if (m) omitted_json(j, *m, *s, w); else j.begin_list().end_list();
  j.key("version").text(scenario::version);
  j.end_object();
  parts.tail = j.result();
  return parts;
}

}  // namespace

int run_compile(std::span<const std::string> args) {
  std::vector<std::string> rest(args.begin(), args.end());
  const WarningOptions w = take_warning_options(rest);
  const Arguments a = parse_arguments(rest, {"--no-plan", "--json"}, {"--scenario", "--train", "--out"});
  if (a.help) {
    write_out(compile_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("compile takes one SOURCE_DIR");
  const FileNames names = names_in_folder(a, a.operands[0], FoundIn::texts);
  const std::string& sources = a.operands[0];

  Outcome e;
  const bool json = a.has("--json");
  compile_folder(sources, a.value("--out", sources), names, !a.has("--no-plan"), w, json, e);
  // The early failures of compile_folder have no recorded error to tell.
  if (e.unreadable) e.messages = e.unreadable->text();
  else if (e.messages.empty() && e.failure) e.messages = "scenarioc: " + *e.failure + "\n";
  // As check: with --json the object says it all, on standard output only.
  if (json) {
    const JsonParts parts = e.json ? *e.json : in_json(e, nullptr, nullptr, w);
    write_out(parts.head);
    e.shown_json.drain(write_out);
    write_out(parts.tail);
  } else {
    e.shown_text.drain(write_err);
    write_err(e.messages);
  }
  return e.exit_status;
}

}  // namespace scenarioc
