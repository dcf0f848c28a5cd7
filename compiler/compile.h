// memorizza_percorso: the whole compilation in its fixed order. Reset the
// route table, read both descriptions (deleting them), post-process the
// cells, stamp the header slots, write the compiled files.
//
// Scenario errors stay in the model and the files are still written. Three
// things end it early, with no compiled file written:
//  - ErroreFatale (1250, 1251): a header slot was already set;
//  - CompilazioneInterrotta: the line description left no track cells;
//  - platform::Failure: a file could not be written.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "model.h"

namespace scenario {

class CompilazioneInterrotta : public std::runtime_error {
 public:
  explicit CompilazioneInterrotta(std::int32_t numero_errore);
  std::int32_t numero_errore() const { return numero_errore_; }

 private:
  std::int32_t numero_errore_;
};

// j non-zero: build the line plan and write the compiled line file.
void memorizza_percorso(Modello& m, std::int32_t j);

void azzera_tabella(Modello& m);

}  // namespace scenario
