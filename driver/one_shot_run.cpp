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
constexpr std::string_view staging_prefix = staging_prefixes[0];

CompileStatus carica_finestra(Modello& m) {
  m.nome_scenario = "Belvara_Quintosa";
  m.numero_treno = "254";
  const std::string cartella = platform::program_directory();
  platform::show_waiting_window();
  return write_scenario_into(m, cartella);
}

}  // namespace

CompileStatus memorizza_percorso(Modello& m, const std::string& cartella, std::int32_t j) {
  const FileNames nomi{m.nome_scenario, m.numero_treno};
  DescriptionFile linea(platform::join_path(cartella, nomi.linea_txt()));
  DescriptionFile treno(platform::join_path(cartella, nomi.treno_txt()));
  CompiledFilesWriter file_compilati(cartella, nomi);
  CompileResult r = compile({linea, treno}, {nomi, j != 0, file_compilati.plan_observer()});
  m = std::move(r.model);
  if (r.status.has_files()) file_compilati.finish(m);
  return r.status;
}

CompileStatus write_scenario_into(Modello& m, const std::string& cartella) {
  platform::OutputSet set(
      cartella, staging_prefix,
      [&] {
        platform::notice("belvara_quintosa: another run is writing into " + cartella +
                         "; waiting for it");
      },
      staging_prefixes);
  const FileNames nomi{m.nome_scenario, m.numero_treno};
  dati_linea(set.path(), nomi);
  dati_treno(set.path(), nomi);
  dati_note(set.path(), nomi);
  dati_rallentamenti(set.path(), nomi);
  dati_scheda(set.path(), nomi);
  const CompileStatus status = memorizza_percorso(m, set.path(), 1);
  if (!status.has_files()) return status;

  std::vector<std::string> prodotti = {nomi.note(), nomi.rallentamenti(), nomi.scheda()};
  for (std::string& f : compiled_file_names(nomi, m.scrivi_linea != 0)) prodotti.push_back(std::move(f));
  set.publish(prodotti);
  return status;
}

void run_one_shot() {
  try {
    platform::install_interrupt_handlers();
    Modello m;
    const CompileStatus status = carica_finestra(m);
    if (status.ending == CompileStatus::Ending::fatal) errore(status.error);
    if (!status.has_files()) {
      platform::report_failure("belvara_quintosa: " + status.message);
      platform::end_program(1);
    }
    note_recorded_error(m);
  } catch (const std::exception& e) {
    platform::report_failure(std::string("belvara_quintosa: ") + e.what());
    platform::end_program(1);
  }
  platform::end_program(0);
}

}  // namespace scenario
