// The diagnostics of one compilation: the model's list, the recorded error
// (numero_errore) in case the list holds none of its own, and a fatal
// header clash the list does not already hold.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/diagnostics.h"
#include "model/model.h"

namespace lsp {

// `fatal`: the number of a FatalError that ended the compilation.
std::vector<scenario::Diagnostic> collect_diagnostics(const scenario::Modello& m,
                                                      std::optional<std::int32_t> fatal);

}  // namespace lsp
