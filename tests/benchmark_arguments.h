// The command line of the benchmarks: a few flags and at most one count.
// --help prints the usage; anything else the usage does not name is refused
// (status 64), so a mistyped flag never runs the wrong measurement.
#pragma once

#include <initializer_list>
#include <set>
#include <string>
#include <string_view>

namespace testing_support {

struct BenchmarkArguments {
  std::set<std::string> flags;  // the flags given
  int count;                    // the count given, or the default
  bool has(std::string_view flag) const { return flags.count(std::string(flag)) != 0; }
};

// Exits the program: 0 after --help, 64 after a wrong argument.
BenchmarkArguments benchmark_arguments(int argc, char** argv, std::string_view usage,
                                       std::initializer_list<std::string_view> flags,
                                       int default_count, int least_count);

}  // namespace testing_support
