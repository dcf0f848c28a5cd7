// The one-shot run: the waiting window, the five texts of the embedded
// scenario written beside the program, the compilation, the compiled files.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace scenario {

// memorizza_percorso: compiles the description files in m.cartella (reading
// and deleting them) and writes the compiled files there; j non-zero builds
// and writes the line plan too. Throws what compila throws, before any
// compiled file is written, and platform::Failure.
void memorizza_percorso(Modello& m, std::int32_t j);

// The whole program: runs, reports a fatal error or a failure once, and ends
// the process with its exit status.
[[noreturn]] void run_one_shot();

}  // namespace scenario
