// scenarioc compile: the one-shot program's compilation run on an author's
// own texts, read into memory. The compiled files are written into a
// private temporary directory and moved to the output directory afterwards;
// the temporary directory is always removed. The author's sources are only
// ever read.
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
    "and NAME_NUMBER.dat in DIR. The source texts are never changed.\n"
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
    "written); 2 a fatal header clash or a failure that left no compiled files;\n"
    "64 a wrong command line.\n";

namespace {

using namespace scenario;

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

// The private directory. rimuovi() removes it and says why it could not;
// the destructor is the fallback when the compilation ends by an exception.
class Cantiere {
 public:
  Cantiere() : percorso_(platform::create_private_directory("scenarioc-")) {}
  ~Cantiere() {
    if (!rimosso_) (void)rimuovi();
  }
  Cantiere(const Cantiere&) = delete;
  Cantiere& operator=(const Cantiere&) = delete;
  const std::string& percorso() const { return percorso_; }

  std::optional<std::string> rimuovi() {
    rimosso_ = true;
    try {
      platform::remove_tree(percorso_);
    } catch (const platform::Failure& f) {
      return f.what();
    }
    return std::nullopt;
  }

 private:
  std::string percorso_;
  bool rimosso_ = false;
};

// A name becomes part of file names: it must not lead out of the directory.
void controlla_nome(std::string_view opzione, const std::string& nome) {
  if (nome.empty() || nome.find_first_of("/\\") != std::string::npos)
    throw UsageError(std::string(opzione) + " must be a non-empty name without / or \\");
}

std::optional<std::string> leggi_se_esiste(const std::string& path) {
  if (!platform::file_exists(path)) return std::nullopt;
  return platform::read_file(path);
}

void fallito(Esito& e, const std::string& guasto) {
  e.codice = exit_failure;
  e.guasto = guasto;
}

// The compiler's own run on the texts read, then its compiled files into
// the private directory. Scenario errors stay in the model; what ends the
// run early is noted in `e`.
void compila_e_scrivi(const Cantiere& cantiere, const Sorgenti& s, const NomiFile& nomi,
                      bool piano, Modello& m, Esito& e) {
  m.cartella = cantiere.percorso();
  m.nome_scenario = nomi.nome_scenario;
  m.numero_treno = nomi.numero_treno;
  try {
    // The bytes read for the messages are the bytes compiled. A missing
    // text is reported by the compiler as it would be for the one-shot
    // program.
    TextInMemory linea(s.linea.testo, s.linea.percorso);
    TextInMemory treno(s.treno.testo, s.treno.percorso);
    scenario::compila(m, piano ? 1 : 0, {linea, treno});
    scrivi_file_compilati(m);
  } catch (const FatalError& f) {
    e.codice = exit_failure;
    e.fatale = f.numero();
  } catch (const CompilationStopped& f) {
    e.codice = exit_failure;
    e.guasto = f.what();
    e.senza_celle = true;
  } catch (const platform::Failure& f) {
    fallito(e, f.what());
  }
  e.numero_errore = m.numero_errore;
  e.posizione_errore = m.posizione_errore;
  if (!e.guasto && m.numero_errore == 25 && !m.diagnosi.guasto.empty()) e.guasto = m.diagnosi.guasto;
}

// The compiled files, in the order the compiler writes them, into the
// output directory; each replaces a file of its name there.
void consegna(const Cantiere& cantiere, const std::string& cartella_uscita, const NomiFile& nomi,
              bool piano, Esito& e) {
  std::vector<std::string> prodotti;
  if (piano) prodotti.push_back(nomi.linea_dat());
  prodotti.push_back(nomi.percorso_sim());
  prodotti.push_back(nomi.celle_dat());
  try {
    for (const std::string& nome : prodotti) {
      const std::string da = platform::join_path(cantiere.percorso(), nome);
      if (!platform::file_exists(da)) continue;
      platform::move_file(da, platform::join_path(cartella_uscita, nome));
      e.file.push_back(nome);
    }
  } catch (const platform::Failure& f) {
    fallito(e, f.what());
  }
}

// What standard error says: the recorded error first, since it may be why
// the run could not go on, then what stopped the run or what was written.
std::string racconta(const Modello& m, const Sorgenti& s, const Esito& e) {
  std::string out = diagnosi_errore(m, s);
  if (e.fatale) out += diagnosi_fatale(m, *e.fatale);
  else if (e.codice == exit_failure && !e.senza_celle) out += "scenarioc: " + *e.guasto + "\n";

  if (e.senza_celle) {
    out += "scenarioc: no compiled file was written: the line description gave no track cells\n";
  } else if (e.codice == exit_failure) {
    if (e.file.empty()) {
      out += "scenarioc: no compiled file was written\n";
    } else {
      out += "scenarioc: only";
      for (std::size_t i = 0; i < e.file.size(); ++i) out += (i ? ", " : " ") + e.file[i];
      out += " written\n";
    }
  } else if (m.numero_errore != 0) {
    out += "scenarioc: the compiled files were written in spite of the error\n";
  }
  return out;
}

// Everything is done, and the private directory gone, before anything is
// printed: a reader that stops reading (`| head`) may end the process at its
// first write, and must not leave the directory behind.
void compila(const std::string& cartella_sorgenti, const std::string& cartella_uscita,
             const NomiFile& nomi, bool piano, Esito& e) {
  if (!platform::directory_exists(cartella_sorgenti))
    return fallito(e, "cannot compile \"" + cartella_sorgenti + "\": not a directory");
  if (!platform::directory_exists(cartella_uscita))
    return fallito(e, "cannot write into \"" + cartella_uscita + "\": not a directory");

  Sorgenti s;
  s.linea.percorso = platform::join_path(cartella_sorgenti, nomi.linea_txt());
  s.treno.percorso = platform::join_path(cartella_sorgenti, nomi.treno_txt());
  std::optional<Cantiere> cantiere;
  try {
    s.linea.testo = leggi_se_esiste(s.linea.percorso);
    s.treno.testo = leggi_se_esiste(s.treno.percorso);
    cantiere.emplace();
  } catch (const platform::Failure& f) {
    return fallito(e, f.what());
  }

  Modello m;
  compila_e_scrivi(*cantiere, s, nomi, piano, m, e);
  if (e.codice != exit_failure) consegna(*cantiere, cartella_uscita, nomi, piano, e);
  if (e.codice != exit_failure) e.codice = m.numero_errore == 0 ? exit_ok : exit_error;
  e.messaggi = racconta(m, s, e);
  if (const auto avviso = cantiere->rimuovi()) e.messaggi += "scenarioc: warning: " + *avviso + "\n";
}

std::string in_json(const Esito& e) {
  Json j;
  j.begin_object();
  j.key("numero_errore").integer(e.numero_errore);
  j.key("posizione_errore").integer(e.posizione_errore);
  j.key("fatal");
  if (e.fatale) j.integer(*e.fatale); else j.null();
  j.key("failure");
  if (e.guasto) j.text(*e.guasto); else j.null();
  j.key("files").begin_list();
  for (const std::string& f : e.file) j.text(f);
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
  const NomiFile nomi{a.value("--scenario", "Belvara_Quintosa"), a.value("--train", "254")};
  controlla_nome("--scenario", nomi.nome_scenario);
  controlla_nome("--train", nomi.numero_treno);
  // The cell file would take the compiled line file's name.
  if (nomi.celle_dat() == nomi.linea_dat())
    throw UsageError("--train " + nomi.numero_treno + " gives the cell file the line file's name");
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
