// scenarioc new: a new scenario under the author's own names, to start
// from: descriptions that show every record once with a comment on what it
// does, and the three sheets as templates. Written as texts writes its own:
// all five or none, never over an existing file.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "text/new_scenario.h"
#include "tool/cli.h"

namespace scenarioc {

const std::string_view new_usage =
    "usage: scenarioc new NAME TRAIN [DIR]\n"
    "\n"
    "Writes a new scenario NAME with train TRAIN into DIR (default the current\n"
    "folder; created when missing, as mkdir creates it: its parent must exist):\n"
    "the line and train descriptions NAME_linea.txt and NAME_TRAIN-.txt, which\n"
    "show every record once, each after a comment line that says what it does,\n"
    "and the notes, slowdown and timetable sheets as templates to fill. Then\n"
    "'scenarioc check DIR' passes, 'scenarioc compile DIR' compiles and\n"
    "'scenarioc render DIR' draws it, with no other option. NAME and TRAIN name\n"
    "the files: no / or \\, no blank at either end, no control character and\n"
    "nothing Windows-1252 lacks. The five are written all together or not at\n"
    "all; nothing that already stands under one of their names is ever\n"
    "replaced: then nothing is written and the exit status is 1.\n"
    "Exit status 2: the texts could not be written, and none was; 3: the five\n"
    "were written, but their list could not be (standard output or error\n"
    "failed); 64 a wrong command line.\n";

int run_new(std::span<const std::string> args) {
  Arguments a = parse_arguments(args, {}, {});
  if (a.help) {
    write_out(new_usage);
    return exit_ok;
  }
  if (a.operands.size() != 2 && a.operands.size() != 3)
    throw UsageError("new takes NAME, TRAIN and an optional DIR");
  a.values["--scenario"] = a.operands[0];
  a.values["--train"] = a.operands[1];
  // The names are checked as --scenario's and --train's, and told as typed.
  const scenario::FileNames names = [&] {
    try {
      return scenario_names(a);
    } catch (const UsageError& e) {
      std::string message = e.what();
      for (const auto& [option, operand] : {std::pair{"--scenario", "NAME"}, std::pair{"--train", "TRAIN"}})
        if (message.starts_with(option)) message.replace(0, std::string_view(option).size(), operand);
      throw UsageError(message);
    }
  }();
  const std::string dir = a.operands.size() == 3 ? a.operands[2] : ".";

  std::vector<NewFile> files;
  for (scenario::NewText& t : scenario::new_scenario_texts(names, as_stored(names))) {
    files.push_back({t.name, [t](const std::string& folder) {
                       platform::replace_file(platform::join_path(folder, t.name), t.bytes);
                     }});
  }
  return publish_new_texts(dir, files, "new", [&] { platform::create_directory(dir); });
}

}  // namespace scenarioc
