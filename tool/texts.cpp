// scenarioc texts: the five texts of the embedded scenario, written by the
// one-shot program's own writers, as a starting point for a new scenario.
#include <string>

#include "platform/platform.h"
#include "text/scenario_texts.h"
#include "tool/cli.h"

namespace scenarioc {

const std::string_view uso_texts =
    "usage: scenarioc texts DIR\n"
    "\n"
    "Writes the five texts of the embedded scenario (Belvara_Quintosa, train 254)\n"
    "into DIR, creating it when missing: the line and train descriptions, which\n"
    "'scenarioc compile DIR' compiles, and the notes, slowdown and timetable\n"
    "sheets. A file that already exists is never replaced: then nothing is\n"
    "written and the exit status is 1.\n";

int esegui_texts(std::span<const std::string> args) {
  const Argomenti a = analizza(args, {}, {});
  if (a.aiuto) {
    scrivi_out(uso_texts);
    return esito_ok;
  }
  if (a.operandi.size() != 1) throw ErroreUso("texts takes one DIR");
  const std::string& cartella = a.operandi[0];

  using namespace scenario;
  const NomiFile nomi{"Belvara_Quintosa", "254"};
  struct Testo {
    std::string nome;
    void (*scrivi)(const std::string&, const NomiFile&);
  };
  // The one-shot program's order.
  const Testo testi[] = {
      {nomi.linea_txt(), dati_linea},
      {nomi.treno_txt(), dati_treno},
      {nomi.note(), dati_note},
      {nomi.rallentamenti(), dati_rallentamenti},
      {nomi.scheda(), dati_scheda},
  };

  try {
    platform::create_directories(cartella);
    // An author's edited description must not be lost to a starting point.
    for (const Testo& t : testi) {
      const std::string path = platform::join_path(cartella, t.nome);
      if (platform::file_exists(path) || platform::directory_exists(path)) {
        scrivi_err(path + ": error: already exists; texts never replaces a file, nothing written\n");
        return esito_errore;
      }
    }
    std::string elenco;
    for (const Testo& t : testi) {
      t.scrivi(cartella, nomi);
      elenco += platform::join_path(cartella, t.nome) + "\n";
    }
    scrivi_out(elenco);
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
    return esito_errore;
  }
  return esito_ok;
}

}  // namespace scenarioc
