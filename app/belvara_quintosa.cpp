// The one-shot program: shows its waiting window, writes the five texts of
// the embedded scenario beside itself, compiles the scenario into the three
// compiled files and ends. It takes no arguments.
#include <exception>
#include <string>

#include "compile.h"
#include "errors.h"
#include "platform.h"
#include "scenario_texts.h"

namespace {

using namespace scenario;

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

int main() {
  try {
    Modello m;
    carica_finestra(m);
  } catch (const ErroreFatale& e) {
    errore(e.numero());
  } catch (const std::exception& e) {
    platform::report_failure(std::string("belvara_quintosa: ") + e.what());
    platform::end_program(1);
  }
  platform::end_program(0);
}
