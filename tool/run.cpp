// scenarioc's command dispatch: the first argument names the command.
#include "tool/run.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "tool/check.h"
#include "model/version.h"
#include "tool/cli.h"
#include "tool/render.h"
#include "tool/timetable.h"

namespace {

using namespace scenarioc;

constexpr std::string_view usage =
    "usage: scenarioc COMMAND [OPTIONS] ...\n"
    "\n"
    "commands:\n"
    "  check [--scenario NAME] [--train NUMBER] [--json] [-Werror] [-Wno-CODE]...\n"
    "        [--diagnostic-limit N] SOURCE_DIR\n"
    "      compile the two texts in memory and show every warning and error; write\n"
    "      nothing\n"
    "  compile [--scenario NAME] [--train NUMBER] [--no-plan] [--out DIR] [--json]\n"
    "          [-Werror] [-Wno-CODE]... [--diagnostic-limit N] SOURCE_DIR\n"
    "      compile SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt into the\n"
    "      three compiled files\n"
    "  dump [--json] FILE\n"
    "      print a compiled file (.sim, .dat or _linea.dat) readably\n"
    "  new NAME TRAIN [DIR]\n"
    "      write a new scenario to start from: both descriptions, every record\n"
    "      shown once with a comment, and the three sheets as templates\n"
    "  texts DIR\n"
    "      write the five texts of the embedded scenario into DIR\n"
    "  decompile [--scenario NAME] [--train NUMBER] [--out DIR] [--json] COMPILED_DIR\n"
    "      write the two description texts that compile to the compiled files back,\n"
    "      and prove it\n"
    "  render [--scenario NAME] [--train NUMBER] [--out FILE.svg] [--from KM] [--to KM]\n"
    "         SCENARIO_DIR | LINE_FILE ROUTE_FILE CELL_FILE\n"
    "      draw the compiled files as one SVG picture: plan, profiles, features\n"
    "  timetable [--scenario NAME] [--train NUMBER] [--json] SOURCE_DIR\n"
    "      the train's timetable stretch by stretch, with the least time its speed\n"
    "      limits allow\n"
    "  lsp\n"
    "      the language server for an editor, on standard input and output\n"
    "\n"
    "'scenarioc COMMAND --help' describes a command; 'scenarioc --version' prints\n"
    "the version. Exit status 64 means a wrong command line; 2, when standard\n"
    "output or error fail, that the command may not have done its work; 3, that\n"
    "compile, new, texts, decompile or render put its files in place, but standard\n"
    "output or error failed (a status 1 stays 1).\n";

struct Command {
  std::string_view name;
  int (*run)(std::span<const std::string>);
  const std::string_view* usage;
};

constexpr Command commands[] = {
    {"check", run_check, &check_usage},
    {"compile", run_compile, &compile_usage},
    {"dump", run_dump, &dump_usage},
    {"new", run_new, &new_usage},
    {"texts", run_texts, &texts_usage},
    {"decompile", run_decompile, &decompile_usage},
    {"render", run_render, &render_usage},
    {"lsp", run_lsp, &lsp_usage},
    {"timetable", run_timetable, &timetable_usage},
};

int usage_error(std::string_view message, std::string_view usage_text) {
  write_err("scenarioc: " + std::string(message) + "\n" + std::string(usage_text));
  return exit_usage;
}

// A command's synopsis: its usage up to the first blank line.
std::string synopsis(std::string_view command_usage, std::string_view name) {
  return std::string(command_usage.substr(0, command_usage.find("\n\n") + 1)) + "run 'scenarioc " +
         std::string(name) + " --help' for more\n";
}

}  // namespace

namespace scenarioc {

int run(std::span<const std::string> args) {
  if (args.empty()) return usage_error("no command given", usage);
  if (args[0] == "--help") {
    write_out(usage);
    return exit_ok;
  }
  if (args[0] == "--version") {
    write_out("scenarioc " + std::string(scenario::version) + "\n");
    return exit_ok;
  }
  for (const Command& c : commands) {
    if (args[0] != c.name) continue;
    try {
      return c.run(std::span(args).subspan(1));
    } catch (const UsageError& e) {
      return usage_error(e.what(), synopsis(*c.usage, c.name));
    } catch (const std::exception& e) {
      write_err("scenarioc: " + std::string(e.what()) + "\n");
      return exit_failure;
    }
  }
  return usage_error("unknown command " + args[0], usage);
}

int run_program(std::span<const std::string> args) {
  try {
    platform::install_interrupt_handlers();
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "\n");
    return exit_failure;
  }
  const int status = run(args);
  // A lost report after the files are in place is 3, unless the command
  // already ended with 1 (a scenario error, texts that differ): that says
  // the files were written too, and more.
  if (!platform::close_standard_output("scenarioc"))
    return !were_files_published() ? exit_failure : status == exit_ok ? exit_unreported : status;
  return status;
}

}  // namespace scenarioc
