// The one-shot run: the waiting window, the five texts of the embedded
// scenario written, the compilation, the compiled files; the three sheets
// and the three compiled files then put beside the program as one set.
#pragma once

#include <cstdint>
#include <string>

#include "model/model.h"

namespace scenario {

// memorizza_percorso: compiles the description files in m.cartella (reading
// and deleting them) and writes the compiled files there; j non-zero builds
// and writes the line plan too. Throws what compile_folder throws, before any
// compiled file is written, and platform::Failure.
void memorizza_percorso(Modello& m, std::int32_t j);

// The run's job in `cartella`, for the scenario that m names: the five
// texts written, compiled, and the compiled files written, all in a staging
// folder inside `cartella`; then the three sheets and the three compiled
// files replace those of their names in `cartella` as one set. So the
// description texts never stand in `cartella`, and runs started together,
// which take turns on the folder, each leave the whole set. Throws what
// memorizza_percorso throws; on any throw `cartella` keeps the files it had.
void write_scenario_into(Modello& m, const std::string& cartella);

// The whole program: takes interrupts, runs, reports a fatal error or a
// failure once, and ends the process with its exit status. On a fatal
// error, a failure or an interrupt the program's folder keeps the files it
// had.
[[noreturn]] void run_one_shot();

}  // namespace scenario
