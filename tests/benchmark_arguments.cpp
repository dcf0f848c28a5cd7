#include "benchmark_arguments.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace testing_support {

BenchmarkArguments benchmark_arguments(int argc, char** argv, std::string_view usage,
                                       std::initializer_list<std::string_view> flags,
                                       int default_count, int least_count) {
  BenchmarkArguments a{{}, default_count};
  bool counted = false;
  auto refuse = [&](const std::string& why) {
    std::fprintf(stderr, "%s: %s\n%.*s", argv[0], why.c_str(), static_cast<int>(usage.size()),
                 usage.data());
    std::exit(64);
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf("%.*s", static_cast<int>(usage.size()), usage.data());
      std::exit(0);
    }
    if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
      a.flags.insert(std::string(arg));
      continue;
    }
    int n = 0;
    const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), n);
    if (arg.starts_with('-') || error != std::errc{} || end != arg.data() + arg.size())
      refuse("unknown argument \"" + std::string(arg) + "\"");
    if (counted) refuse("one count at most");
    if (n < least_count) refuse("the count must be at least " + std::to_string(least_count));
    a.count = n;
    counted = true;
  }
  return a;
}

}  // namespace testing_support
