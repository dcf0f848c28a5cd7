// What the scenarioc commands share: exit statuses, the usage error, the
// option scanner and the two output streams.
#pragma once

#include <initializer_list>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scenarioc {

inline constexpr int exit_ok = 0;
inline constexpr int exit_error = 1;   // a scenario error, or a file dump refused
inline constexpr int exit_failure = 2;  // nothing compiled: fatal clash or failure
inline constexpr int exit_usage = 64;     // the command line itself is wrong

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One command's arguments sorted out. Options may stand before or after the
// operands; "--" ends the options. "--help" anywhere before an error stops
// the scan with `help` set.
struct Arguments {
  std::set<std::string, std::less<>> switches;
  std::map<std::string, std::string, std::less<>> values;
  std::vector<std::string> operands;
  bool help = false;

  bool has(std::string_view option) const { return switches.contains(option); }
  std::string value(std::string_view option, std::string_view fallback) const;
};

// Throws UsageError for an unknown option, a missing value or an option given
// twice.
Arguments parse_arguments(std::span<const std::string> args,
                   std::initializer_list<std::string_view> switches,
                   std::initializer_list<std::string_view> with_value);

void write_out(std::string_view text);
void write_err(std::string_view text);

// The commands. Each prints its usage to standard output for --help and
// throws UsageError for a wrong command line.
int run_compile(std::span<const std::string> args);
int run_dump(std::span<const std::string> args);
int run_texts(std::span<const std::string> args);

extern const std::string_view compile_usage;
extern const std::string_view dump_usage;
extern const std::string_view texts_usage;

}  // namespace scenarioc
