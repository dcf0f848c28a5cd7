// The one-shot run: the waiting window, the five texts of the embedded
// scenario written, the compilation, the compiled files; the three sheets
// and the three compiled files then put beside the program as one set.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/compile.h"
#include "model/model.h"

namespace scenario {

// memorizza_percorso: compiles the description files in `folder` (reading
// and deleting them) into `m`, which names the scenario; when the
// compilation reached its end, writes the compiled files there. j non-zero
// builds and writes the line plan too. Throws platform::Failure.
CompileStatus memorizza_percorso(Modello& m, const std::string& folder, std::int32_t j);

// The run's job in `folder`, for the scenario that m names: the five
// texts written, compiled, and the compiled files written, all in a staging
// folder inside `folder`; then, when the compilation reached its end, the
// three sheets and the three compiled files replace those of their names in
// `folder` as one set. So the description texts never stand in
// `folder`, and runs started together, which take turns on the folder,
// each leave the whole set. Throws platform::Failure; unless it returns a
// status with files, `folder` keeps the files it had.
CompileStatus write_scenario_into(Modello& m, const std::string& folder);

// The whole program: takes interrupts, runs, reports a fatal error or a
// failure once, and ends the process with its exit status. On a fatal
// error, a failure or an interrupt the program's folder keeps the files it
// had.
[[noreturn]] void run_one_shot();

}  // namespace scenario
