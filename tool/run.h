// scenarioc as a function: the arguments after the program name in, the
// exit status out. Output goes to the standard streams.
#pragma once

#include <span>
#include <string>

namespace scenarioc {

int run(std::span<const std::string> args);

// scenarioc as a program, for main(): interrupts taken (they remove what a
// run was writing and end it with 128 + the signal), then run(), then
// standard output closed and checked, as GNU tools do: output that was lost
// makes the exit status 2. Call it first in main.
int run_program(std::span<const std::string> args);

}  // namespace scenarioc
