// The diagnostics of one compilation: the model's list, the recorded error
// (numero_errore) in case the list holds none of its own, and a fatal
// header clash the list does not already hold.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "compiler/compile.h"
#include "model/diagnostics.h"
#include "model/model.h"

namespace lsp {

// `status`: how the compilation ended, with the fatal clash's number or
// why a text could not be read.
std::vector<scenario::Diagnostic> collect_diagnostics(const scenario::Modello& m,
                                                      const scenario::CompileStatus& status);

}  // namespace lsp
