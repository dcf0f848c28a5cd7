#include "driver/one_shot_run.h"

#include <exception>
#include <string>

#include "compiler/compile.h"
#include "driver/description_files.h"
#include "format/compiled_files.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "platform/platform.h"
#include "text/scenario_texts.h"

namespace scenario {
namespace {

// Shows " Errore n. " and the number, then ends the program.
[[noreturn]] void errore(std::int32_t numero) {
  platform::message_box(" Errore n. " + std::to_string(numero));
  platform::end_program(1);
}

// The recorded error state is not shown to the simulator's user; a line on
// standard error tells whoever runs the program by hand or in a script.
void annota_errore(const Modello& m) {
  if (m.numero_errore == 0) return;
  platform::notice(m.nome_scenario + ": recorded " + riepilogo(m.numero_errore, m.posizione_errore));
}

void carica_finestra(Modello& m) {
  m.nome_scenario = "Belvara_Quintosa";
  m.numero_treno = "254";
  m.cartella = platform::program_directory();
  platform::show_waiting_window();

  const NomiFile nomi{m.nome_scenario, m.numero_treno};
  dati_linea(m.cartella, nomi);
  dati_treno(m.cartella, nomi);
  dati_note(m.cartella, nomi);
  dati_rallentamenti(m.cartella, nomi);
  dati_scheda(m.cartella, nomi);
  memorizza_percorso(m, 1);
  annota_errore(m);
}

}  // namespace

void memorizza_percorso(Modello& m, std::int32_t j) {
  const NomiFile nomi{m.nome_scenario, m.numero_treno};
  DescriptionFile linea(platform::join_path(m.cartella, nomi.linea_txt()));
  DescriptionFile treno(platform::join_path(m.cartella, nomi.treno_txt()));
  CompiledFilesWriter file_compilati(m);
  compila(m, j, {linea, treno});
  file_compilati.finish();
}

void run_one_shot() {
  try {
    Modello m;
    carica_finestra(m);
  } catch (const FatalError& e) {
    errore(e.numero());
  } catch (const std::exception& e) {
    platform::report_failure(std::string("belvara_quintosa: ") + e.what());
    platform::end_program(1);
  }
  platform::end_program(0);
}

}  // namespace scenario
