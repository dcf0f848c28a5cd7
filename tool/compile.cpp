// scenarioc compile: the one-shot program's compilation run on an author's
// own texts, read into memory. The compiled files are staged in a private
// folder inside the output folder and then replace the files of their names
// there as one set, so the output folder holds the old set or the new one,
// never a mix; runs that write into one folder take turns. The author's
// sources are only ever read.
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "format/compiled_files.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "platform/platform.h"
#include "tool/cli.h"
#include "tool/diagnostics.h"
#include "tool/json.h"

namespace scenarioc {

const std::string_view compile_usage =
    "usage: scenarioc compile [--scenario NAME] [--train NUMBER] [--no-plan] [--out DIR]\n"
    "                         [--json] SOURCE_DIR\n"
    "\n"
    "Compiles SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt exactly as\n"
    "the one-shot program compiles its own, and leaves NAME_linea.dat, NAME_NUMBER.sim\n"
    "and NAME_NUMBER.dat in DIR. The source texts are never changed. The compiled\n"
    "files replace those of their names in DIR all together, once all are\n"
    "written; runs that write into one DIR take turns.\n"
    "\n"
    "  --scenario NAME  scenario name (default Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default 254)\n"
    "  --no-plan        do not build the line plan nor write NAME_linea.dat\n"
    "  --out DIR        where the compiled files go (default SOURCE_DIR)\n"
    "  --json           print one JSON object on standard output:\n"
    "                   {\"numero_errore\", \"posizione_errore\", \"fatal\", \"failure\", \"files\"}\n"
    "\n"
    "Errors are explained on standard error as FILE:LINE: error N: ...\n"
    "Exit status: 0 no error; 1 a scenario error (the compiled files are still\n"
    "written); 2 a fatal header clash or a failure: DIR keeps the compiled files\n"
    "it had, untouched (or the report could not be written to standard output);\n"
    "64 a wrong command line.\n";

namespace {

using namespace scenario;

// Far larger than any description of the longest line the formats allow;
// a runaway file is refused rather than read whole.
constexpr std::uint64_t largest_text = std::uint64_t{256} << 20;

struct Esito {
  int codice = exit_ok;
  std::int32_t numero_errore = 0;
  std::int32_t posizione_errore = 0;
  std::optional<std::int32_t> fatale;
  std::optional<std::string> guasto;
  bool senza_celle = false;       // the compiler stopped before the cells existed
  std::vector<std::string> file;  // compiled files now in the output directory
  std::string messaggi;           // for standard error, once the work is done
};

// A description text: nothing when missing, which the compiler reports as
// the one-shot program would. Any other kind of file is a failure that
// says what stands there.
std::optional<std::string> leggi_testo(const std::string& path) {
  if (platform::file_info(path).kind == platform::FileKind::missing) return std::nullopt;
  return platform::read_file_limited(path, largest_text);
}

// Why `path` cannot be the folder it must be; nothing when it can.
std::optional<std::string> non_cartella(const std::string& path) {
  const platform::FileInfo info = platform::file_info(path);
  if (info.kind == platform::FileKind::missing) return "does not exist";
  if (info.kind != platform::FileKind::directory) return "is not a directory";
  return std::nullopt;
}

void fallito(Esito& e, const std::string& guasto) {
  e.codice = exit_failure;
  e.guasto = guasto;
}

// The compiler's own run on the texts read, in memory. Scenario errors
// stay in the model; what ends the run early is noted in `e`.
void compila_testi(const Sorgenti& s, const NomiFile& nel_file, bool piano, Modello& m, Esito& e) {
  m.nome_scenario = nel_file.nome_scenario;
  m.numero_treno = nel_file.numero_treno;
  try {
    // The bytes read for the messages are the bytes compiled. A missing
    // text is reported by the compiler as it would be for the one-shot
    // program.
    TextInMemory linea(s.linea.testo, s.linea.percorso);
    TextInMemory treno(s.treno.testo, s.treno.percorso);
    scenario::compila(m, piano ? 1 : 0, {linea, treno});
  } catch (const FatalError& f) {
    e.codice = exit_failure;
    e.fatale = f.numero();
  } catch (const CompilationStopped& f) {
    e.codice = exit_failure;
    e.guasto = f.what();
    e.senza_celle = true;
  }
  e.numero_errore = m.numero_errore;
  e.posizione_errore = m.posizione_errore;
  if (!e.guasto && m.numero_errore == 25 && !m.diagnosi.guasto.empty()) e.guasto = m.diagnosi.guasto;
}

// The compiled files written into a staging folder in the output folder,
// then put in place as one set, while no other run writes there. The files
// keep the names typed; their texts hold the names in the files' code page.
void consegna(Modello& m, const std::string& cartella_uscita, const NomiFile& nomi, bool piano,
              Esito& e) {
  std::vector<std::string> prodotti;
  if (piano) prodotti.push_back(nomi.linea_dat());
  prodotti.push_back(nomi.percorso_sim());
  prodotti.push_back(nomi.celle_dat());
  try {
    const WritingTurn turno(cartella_uscita);
    platform::StagingFolder cantiere(cartella_uscita, staging_prefix);
    m.cartella = cantiere.path();
    scrivi_file_compilati(m, nomi);
    cantiere.publish(prodotti);
    e.file = std::move(prodotti);
  } catch (const platform::Failure& f) {
    fallito(e, f.what());
  }
}

// What standard error says: the recorded error first, since it may be why
// the run could not go on, then what stopped the run or what was written.
std::string racconta(const Modello& m, const Sorgenti& s, const std::string& cartella_uscita,
                     const Esito& e) {
  std::string out = diagnosi_errore(m, s);
  if (e.fatale) out += diagnosi_fatale(m, *e.fatale);
  else if (e.codice == exit_failure && !e.senza_celle) out += "scenarioc: " + *e.guasto + "\n";

  if (e.senza_celle) {
    out += "scenarioc: no compiled file was written: the line description gave no track cells\n";
  } else if (e.codice == exit_failure) {
    out += "scenarioc: no compiled file was written; \"" + cartella_uscita +
           "\" keeps the files it had\n";
  } else if (m.numero_errore != 0) {
    out += "scenarioc: the compiled files were written in spite of the error\n";
  }
  return out;
}

// Everything is done, and the staging folder gone, before anything is
// printed: a reader that stops reading (`| head`) may end the process at its
// first write, and must not leave the folder behind.
void compila(const std::string& cartella_sorgenti, const std::string& cartella_uscita,
             const NomiFile& nomi, bool piano, Esito& e) {
  Sorgenti s;
  try {
    if (const auto perche = non_cartella(cartella_sorgenti))
      return fallito(e, "cannot compile \"" + cartella_sorgenti + "\": " + *perche);
    if (const auto perche = non_cartella(cartella_uscita))
      return fallito(e, "cannot write into \"" + cartella_uscita + "\": " + *perche);
    s.linea.percorso = platform::join_path(cartella_sorgenti, nomi.linea_txt());
    s.treno.percorso = platform::join_path(cartella_sorgenti, nomi.treno_txt());
    s.linea.testo = leggi_testo(s.linea.percorso);
    s.treno.testo = leggi_testo(s.treno.percorso);
  } catch (const platform::Failure& f) {
    return fallito(e, f.what());
  }

  Modello m;
  compila_testi(s, as_stored(nomi), piano, m, e);
  if (e.codice != exit_failure) consegna(m, cartella_uscita, nomi, piano, e);
  if (e.codice != exit_failure) e.codice = m.numero_errore == 0 ? exit_ok : exit_error;
  e.messaggi = racconta(m, s, cartella_uscita, e);
}

std::string in_json(const Esito& e) {
  Json j;
  j.begin_object();
  j.key("numero_errore").integer(e.numero_errore);
  j.key("posizione_errore").integer(e.posizione_errore);
  j.key("fatal");
  if (e.fatale) j.integer(*e.fatale); else j.null();
  j.key("failure");
  if (e.guasto) j.as_typed(*e.guasto); else j.null();
  j.key("files").begin_list();
  for (const std::string& f : e.file) j.as_typed(f);
  j.end_list();
  j.end_object();
  return j.result();
}

}  // namespace

int run_compile(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {"--no-plan", "--json"}, {"--scenario", "--train", "--out"});
  if (a.help) {
    write_out(compile_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("compile takes one SOURCE_DIR");
  const NomiFile nomi = scenario_names(a);
  const std::string& sorgenti = a.operands[0];

  Esito e;
  compila(sorgenti, a.value("--out", sorgenti), nomi, !a.has("--no-plan"), e);
  // The early failures of compila have no recorded error to tell.
  if (e.messaggi.empty() && e.guasto) e.messaggi = "scenarioc: " + *e.guasto + "\n";
  write_err(e.messaggi);
  if (a.has("--json")) write_out(in_json(e));
  return e.codice;
}

}  // namespace scenarioc
