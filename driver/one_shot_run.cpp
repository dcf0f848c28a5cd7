#include "driver/one_shot_run.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

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
void note_recorded_error(const Modello& m) {
  if (m.numero_errore == 0) return;
  platform::notice(m.nome_scenario + ": recorded " + error_summary(m.numero_errore, m.posizione_errore));
}

// The run's private folders in the program's folder.
constexpr std::string_view staging_prefix = ".belvara_quintosa-";

void carica_finestra(Modello& m) {
  m.nome_scenario = "Belvara_Quintosa";
  m.numero_treno = "254";
  const std::string cartella = platform::program_directory();
  platform::show_waiting_window();
  write_scenario_into(m, cartella);
  note_recorded_error(m);
}

}  // namespace

void memorizza_percorso(Modello& m, std::int32_t j) {
  const FileNames nomi{m.nome_scenario, m.numero_treno};
  DescriptionFile linea(platform::join_path(m.cartella, nomi.linea_txt()));
  DescriptionFile treno(platform::join_path(m.cartella, nomi.treno_txt()));
  CompiledFilesWriter file_compilati(m);
  compile_folder(m, j, {linea, treno});
  file_compilati.finish();
}

void write_scenario_into(Modello& m, const std::string& cartella) {
  const platform::FolderLock turno(cartella, [&] {
    platform::notice("belvara_quintosa: another run is writing into " + cartella +
                     "; waiting for it");
  });
  if (turno.held()) platform::remove_stale_staging(cartella, staging_prefix);
  platform::StagingFolder cantiere(cartella, staging_prefix);
  m.cartella = cantiere.path();

  const FileNames nomi{m.nome_scenario, m.numero_treno};
  dati_linea(m.cartella, nomi);
  dati_treno(m.cartella, nomi);
  dati_note(m.cartella, nomi);
  dati_rallentamenti(m.cartella, nomi);
  dati_scheda(m.cartella, nomi);
  memorizza_percorso(m, 1);

  std::vector<std::string> prodotti = {nomi.note(), nomi.rallentamenti(), nomi.scheda()};
  if (m.scrivi_linea != 0) prodotti.push_back(nomi.linea_dat());
  prodotti.push_back(nomi.percorso_sim());
  prodotti.push_back(nomi.celle_dat());
  cantiere.publish(prodotti);
  m.cartella = cartella;
}

void run_one_shot() {
  try {
    platform::install_interrupt_handlers();
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
