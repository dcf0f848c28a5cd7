#include "tool/cli.h"

#include <algorithm>
#include <cstdio>

namespace scenarioc {
namespace {

bool is_one_of(std::initializer_list<std::string_view> list, std::string_view s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

}  // namespace

std::string Arguments::value(std::string_view option, std::string_view fallback) const {
  auto it = values.find(option);
  return std::string(it == values.end() ? fallback : std::string_view(it->second));
}

Arguments parse_arguments(std::span<const std::string> args,
                   std::initializer_list<std::string_view> switches,
                   std::initializer_list<std::string_view> with_value) {
  Arguments a;
  bool options_open = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_open || arg.size() < 2 || arg[0] != '-') {
      a.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_open = false;
    } else if (arg == "--help") {
      a.help = true;
      return a;
    } else if (is_one_of(switches, arg)) {
      a.switches.insert(arg);
    } else if (is_one_of(with_value, arg)) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      if (!a.values.emplace(arg, args[i + 1]).second) throw UsageError(arg + " given twice");
      ++i;
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
  return a;
}

void write_out(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void write_err(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace scenarioc
