// What the scenarioc commands share: exit statuses, the usage error, the
// option scanner and the two output streams.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/file_names.h"
#include "platform/platform.h"

namespace scenarioc {

inline constexpr int exit_ok = 0;
inline constexpr int exit_error = 1;   // a scenario error, or a file dump refused
inline constexpr int exit_failure = 2;  // nothing compiled: fatal clash or failure
// The files were put in place, but what the run had to say could not be
// written (standard output or error failed): not 2, whose meaning is that
// the folder keeps its old files.
inline constexpr int exit_unreported = 3;
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

// The scenario name and train number of --scenario and --train
// (Belvara_Quintosa and 254 when not given), as typed: they form the file
// names. Each becomes part of file names and a text of the route file, so
// it is refused (UsageError) when empty, with a / or \\, a blank at either
// end or a control character, or with a character that Windows-1252, the
// compiled files' code page, lacks; and a train number that would give the
// cell file a name ending in _linea.dat, in any letter case, is refused.
scenario::FileNames scenario_names(const Arguments& a);

// The names of the scenario in `folder`, for a command that reads its
// description texts (`texts`) or its compiled files. What --scenario and
// --train do not give is taken from the folder's files: the scenario of its
// one line text (NAME_linea.txt; NAME_linea.dat for compiled files), the
// train of that scenario's one train text (NAME_NUMBER-.txt; NAME_NUMBER.sim).
// Several to choose from are a UsageError that lists them; none leaves the
// defaults of scenario_names. Checked as scenario_names checks them.
enum class FoundIn { texts, compiled_files };
scenario::FileNames names_in_folder(const Arguments& a, const std::string& folder, FoundIn in);

// The same names as the compiled files hold them: in Windows-1252.
scenario::FileNames as_stored(const scenario::FileNames& names);

// What the commands that write a set of files stage them in, inside the
// folder the set goes to.
inline constexpr std::string_view staging_prefix = scenario::staging_prefixes[1];

// A run's set of files for a folder (platform::OutputSet): while it lives,
// other scenarioc runs that write there wait (and say so on standard
// error). Throws platform::Failure.
platform::OutputSet output_set(const std::string& folder);

// A command says so once its files are in place, so that a report that
// cannot be written afterwards ends the run with exit_unreported.
void files_published();
bool were_files_published();

// A set of new texts, each written by `write` into the folder given, put
// into `dir` all together or not at all, after `make_dir` readied the
// folder. Nothing that stands under one of their names (a file, a folder, a
// link, one that leads nowhere too) is replaced: then nothing is written and
// the result is exit_error. Lists the paths written on standard output;
// `command` names the command in messages.
struct NewFile {
  std::string name;
  std::function<void(const std::string& folder)> write;
};
int publish_new_texts(const std::string& dir, std::span<const NewFile> files, std::string_view command,
                      const std::function<void()>& make_dir);

void write_out(std::string_view text);
void write_err(std::string_view text);

// While one lives, write_out and write_err append to its strings instead
// of the standard streams, so a command run in-process (a test) shows what a
// user would see. Not for use from two threads at once.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  std::string out, err;

 private:
  CapturedOutput* outer_;
};

// The commands. Each prints its usage to standard output for --help and
// throws UsageError for a wrong command line.
int run_compile(std::span<const std::string> args);
int run_dump(std::span<const std::string> args);
int run_texts(std::span<const std::string> args);
int run_decompile(std::span<const std::string> args);
int run_lsp(std::span<const std::string> args);
int run_new(std::span<const std::string> args);

extern const std::string_view compile_usage;
extern const std::string_view dump_usage;
extern const std::string_view texts_usage;
extern const std::string_view decompile_usage;
extern const std::string_view lsp_usage;
extern const std::string_view new_usage;

}  // namespace scenarioc
