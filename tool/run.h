// scenarioc as a function: the arguments after the program name in, the
// exit status out. Output goes to the standard streams.
#pragma once

#include <span>
#include <string>

namespace scenarioc {

int run(std::span<const std::string> args);

}  // namespace scenarioc
