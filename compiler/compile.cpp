#include "compiler/compile.h"

#include <string>

#include "compiler/competition_codes.h"
#include "compiler/post_processing.h"
#include "compiler/reader.h"
#include "model/errors.h"

namespace scenario {

CompilationStopped::CompilationStopped(std::int32_t numero_errore)
    : std::runtime_error("the line description left no track cells to compile (error " +
                         std::to_string(numero_errore) + ": " +
                         std::string(spiegazione(numero_errore)) + ")"),
      numero_errore_(numero_errore) {}

void azzera_tabella(Modello& m) { m.tabella_percorso.fill(voce_percorso{}); }

void compila(Modello& m, std::int32_t j, const DescriptionTexts& testi) {
  m.scrivi_linea = j;
  m.numero_errore = 0;
  azzera_tabella(m);
  memorizza_dati(m, testi);
  if (m.celle.empty()) throw CompilationStopped(m.numero_errore);
  m.ultima_cella = static_cast<std::int32_t>(m.celle.size()) - 1;
  elabora_percorso(m);
  timbra_intestazioni(m);
}

}  // namespace scenario
