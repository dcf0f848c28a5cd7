// The diagnostics of one compilation, whatever the compiler filled in:
// the model's list, and the recorded error (numero_errore, placed by
// m.diagnosi) when the list holds no error of its own, and a fatal header
// clash. As the compiler learns to place more in its list, this adds less.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/diagnostics.h"
#include "model/model.h"

namespace lsp {

// `fatal`: the number of an FatalError that ended the compilation.
std::vector<scenario::Diagnostic> collect_diagnostics(const scenario::Modello& m,
                                                      std::optional<std::int32_t> fatal);

}  // namespace lsp
