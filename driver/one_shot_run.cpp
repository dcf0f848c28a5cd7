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
  const std::string folder = platform::program_directory();
  platform::show_waiting_window();
  return write_scenario_into(m, folder);
}

}  // namespace

CompileStatus memorizza_percorso(Modello& m, const std::string& folder, std::int32_t j) {
  const FileNames names{m.nome_scenario, m.numero_treno};
  OneShotDescriptionFile linea(platform::join_path(folder, names.linea_txt()));
  OneShotDescriptionFile treno(platform::join_path(folder, names.treno_txt()));
  CompiledFilesWriter compiled_files(folder, names);
  CompileResult r = compile({linea, treno}, {.names = names, .read_curves = j != 0, .plan_observer = compiled_files.plan_observer()});
  m = std::move(r.model);
  if (r.status.has_files()) compiled_files.finish(m);
  return r.status;
}

CompileStatus write_scenario_into(Modello& m, const std::string& folder) {
  platform::OutputSet set(
      folder, staging_prefix,
      [&] {
        platform::notice("belvara_quintosa: another run is writing into " + folder +
                         "; waiting for it");
      },
      staging_prefixes);
  const FileNames names{m.nome_scenario, m.numero_treno};
  dati_linea(set.path(), names);
  dati_treno(set.path(), names);
  dati_note(set.path(), names);
  dati_rallentamenti(set.path(), names);
  dati_scheda(set.path(), names);
  const CompileStatus status = memorizza_percorso(m, set.path(), 1);
  if (!status.has_files()) return status;

  std::vector<std::string> produced = {names.note(), names.rallentamenti(), names.scheda()};
  for (std::string& f : compiled_file_names(names, m.scrivi_linea != 0)) produced.push_back(std::move(f));
  set.publish(produced);
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
