#include "compiler/compile.h"

#include <string>

#include "compiler/competition_codes.h"
#include "compiler/diagnose.h"
#include "compiler/post_processing.h"
#include "compiler/reader.h"
#include "model/errors.h"

namespace scenario {

CompilationStopped::CompilationStopped(std::int32_t numero_errore)
    : std::runtime_error("the line description left no track cells to compile (error " +
                         std::to_string(numero_errore) + ": " +
                         std::string(explain_error(numero_errore)) + ")"),
      numero_errore_(numero_errore) {}

void clear_route_table(Modello& m) { m.tabella_percorso.fill(voce_percorso{}); }

void compile_folder(Modello& m, std::int32_t j, const DescriptionTexts& testi) {
  m.scrivi_linea = j;
  m.numero_errore = 0;
  clear_route_table(m);
  try {
    memorizza_dati(m, testi);
    if (m.celle.empty()) throw CompilationStopped(m.numero_errore);
    m.ultima_cella = static_cast<std::int32_t>(m.celle.size()) - 1;
    post_process(m);
    stamp_headers(m);
  } catch (...) {
    finish_diagnostics(m);
    throw;
  }
  finish_diagnostics(m);
}

}  // namespace scenario
