// scenarioc dump: a compiled file printed readably, or as one JSON object.
// The kind of file comes from its name, and for a .dat file from its
// bytes; the bytes are parsed by the mirror reader of the compiled-file
// writers, which refuses anything malformed.
#include <string>
#include <string_view>
#include <vector>

#include "format/compiled_files_reader.h"
#include "platform/platform.h"
#include "tool/cli.h"
#include "tool/compiled_input.h"
#include "tool/dump.h"

namespace scenarioc {

const std::string_view dump_usage =
    "usage: scenarioc dump [--json] FILE\n"
    "\n"
    "Prints a compiled file readably. The kind comes from the name, and for a\n"
    ".dat file from what its bytes are:\n"
    "  NAME_linea.dat    compiled line file: point count, element kinds, the\n"
    "                    first and last points\n"
    "  NAME_NUMBER.sim   route file: the 87 entries with every field named\n"
    "  NAME_NUMBER.dat   cell file: one line per cell that holds a feature\n"
    "\n"
    "  --json  print one JSON object instead, with every entry or every cell, and\n"
    "          the version of scenarioc last\n"
    "\n"
    "Exit status: 0 printed; 1 the file cannot be read, is not a regular file,\n"
    "is larger than any file of its kind or is malformed (the message names the\n"
    "byte offset at fault); 2 standard output could not be written; 64 a wrong\n"
    "command line.\n";

int run_dump(std::span<const std::string> args) {
  using namespace scenario;
  const Arguments a = parse_arguments(args, {"--json"}, {});
  if (a.help) {
    write_out(dump_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("dump takes one FILE");
  const std::string& path = a.operands[0];
  const bool json = a.has("--json");

  const CompiledFileKind kind = compiled_file_kind(path);
  if (kind == CompiledFileKind::unknown) {
    write_err(path + ": error: not a compiled file name (expected _linea.dat, .sim or .dat)\n");
    return exit_error;
  }
  CompiledFile f;
  try {
    f = read_compiled_file(path);
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "\n");
    return exit_error;
  } catch (const MalformedFile& e) {
    write_err(path + ": error: malformed " + std::string(kind_name(kind)) + ": " + e.what() +
               "\n");
    return exit_error;
  }
  switch (f.kind) {
    case CompiledFileKind::percorso:
      write_out(json ? route_json(path, f.size, f.route)
                      : route_text(path, f.size, f.route));
      break;
    case CompiledFileKind::celle:
      write_out(json ? cells_json(path, f.size, f.cells) : cells_text(path, f.size, f.cells));
      break;
    default:
      write_out(json ? plan_json(path, f.size, f.plan) : plan_text(path, f.size, f.plan));
      break;
  }
  return exit_ok;
}

}  // namespace scenarioc
