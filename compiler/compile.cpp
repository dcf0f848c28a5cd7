#include "compile.h"

#include <string>

#include "compiled_files.h"
#include "competition_codes.h"
#include "errors.h"
#include "post_processing.h"
#include "reader.h"

namespace scenario {

CompilazioneInterrotta::CompilazioneInterrotta(std::int32_t numero_errore)
    : std::runtime_error("the line description left no track cells to compile (error " +
                         std::to_string(numero_errore) + ": " +
                         std::string(spiegazione(numero_errore)) + ")"),
      numero_errore_(numero_errore) {}

void azzera_tabella(Modello& m) { m.tabella_percorso.fill(voce_percorso{}); }

void memorizza_percorso(Modello& m, std::int32_t j) {
  m.scrivi_linea = j;
  m.numero_errore = 0;
  azzera_tabella(m);
  memorizza_dati(m);
  if (m.celle.empty()) throw CompilazioneInterrotta(m.numero_errore);
  m.ultima_cella = static_cast<std::int32_t>(m.celle.size()) - 1;
  elabora_percorso(m);
  timbra_intestazioni(m);
  scrivi_file_compilati(m);
}

}  // namespace scenario
