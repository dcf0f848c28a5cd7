// scenarioc texts: the five texts of the embedded scenario, written by the
// one-shot program's own writers, as a starting point for a new scenario.
// They are staged beside their folder's files and put in place together,
// so a failure leaves none of them and a second try finds nothing in its
// way.
#include <string>
#include <vector>

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
    "sheets. The five are written all together or not at all. A file that\n"
    "already exists is never replaced: then nothing is written and the exit\n"
    "status is 1. Exit status 2: the texts could not be written, and none was.\n";

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

  std::string elenco;
  try {
    platform::create_directories(cartella);
    const WritingTurn turno(cartella);
    // An author's edited description must not be lost to a starting point.
    for (const Testo& t : testi) {
      const std::string path = platform::join_path(cartella, t.nome);
      if (platform::file_info(path).kind != platform::FileKind::missing) {
        scrivi_err(path + ": error: already exists; texts never replaces a file, nothing written\n");
        return esito_errore;
      }
    }
    platform::StagingFolder cantiere(cartella, staging_prefix);
    std::vector<std::string> nomi_testi;
    for (const Testo& t : testi) {
      t.scrivi(cantiere.path(), nomi);
      nomi_testi.push_back(t.nome);
      elenco += platform::join_path(cartella, t.nome) + "\n";
    }
    cantiere.publish(nomi_testi);
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "; no text written\n");
    return esito_fallito;
  }
  scrivi_out(elenco);
  return esito_ok;
}

}  // namespace scenarioc
