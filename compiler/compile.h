// The compilation up to the compiled files: reset the route table, read both
// descriptions, post-process the cells, stamp the header slots. Writes
// nothing; the driver (or a tool) writes the compiled files afterwards.
//
// Scenario errors stay in the model. Two things end it early, and then no
// compiled file may be written:
//  - FatalError (1250, 1251): a header slot was already set;
//  - CompilationStopped: the line description left no track cells.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "compiler/description_text.h"
#include "model/model.h"

namespace scenario {

class CompilationStopped : public std::runtime_error {
 public:
  explicit CompilationStopped(std::int32_t numero_errore);
  std::int32_t numero_errore() const { return numero_errore_; }

 private:
  std::int32_t numero_errore_;
};

// j non-zero: build the line plan too.
void compile_folder(Modello& m, std::int32_t j, const DescriptionTexts& testi);

void clear_route_table(Modello& m);

}  // namespace scenario
