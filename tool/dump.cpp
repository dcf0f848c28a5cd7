// scenarioc dump: a compiled file printed readably, or as one JSON object.
// The kind of file comes from its name; the bytes are parsed by the mirror
// reader of the compiled-file writers, which refuses anything malformed.
#include <string>
#include <string_view>
#include <vector>

#include "format/compiled_files_reader.h"
#include "platform/platform.h"
#include "tool/cli.h"
#include "tool/dump.h"

namespace scenarioc {

const std::string_view dump_usage =
    "usage: scenarioc dump [--json] FILE\n"
    "\n"
    "Prints a compiled file readably. The kind comes from the name:\n"
    "  NAME_linea.dat    compiled line file: point count, element kinds, the\n"
    "                    first and last points\n"
    "  NAME_NUMBER.sim   route file: the 87 entries with every field named\n"
    "  NAME_NUMBER.dat   cell file: one line per cell that holds a feature\n"
    "\n"
    "  --json  print one JSON object instead, with every entry or every cell\n"
    "\n"
    "Exit status: 0 printed; 1 the file cannot be read or is malformed (the\n"
    "message names the byte offset at fault); 64 a wrong command line.\n";

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

  const TipoFileCompilato kind = tipo_file_compilato(path);
  if (kind == TipoFileCompilato::sconosciuto) {
    write_err(path + ": error: not a compiled file name (expected _linea.dat, .sim or .dat)\n");
    return exit_error;
  }
  std::string bytes;
  try {
    bytes = platform::read_file(path);
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "\n");
    return exit_error;
  }
  try {
    switch (kind) {
      case TipoFileCompilato::percorso: {
        const RouteTable t = leggi_percorso(bytes);
        write_out(json ? route_json(path, bytes.size(), t) : route_text(path, bytes.size(), t));
        break;
      }
      case TipoFileCompilato::celle: {
        const std::vector<cella> c = leggi_celle(bytes);
        write_out(json ? cells_json(path, bytes.size(), c) : cells_text(path, bytes.size(), c));
        break;
      }
      default: {
        const Tracciato t = leggi_tracciato(bytes);
        write_out(json ? plan_json(path, bytes.size(), t) : plan_text(path, bytes.size(), t));
        break;
      }
    }
  } catch (const MalformedFile& e) {
    const std::string_view kind_name = kind == TipoFileCompilato::percorso ? "route file"
                                       : kind == TipoFileCompilato::celle  ? "cell file"
                                                                           : "compiled line file";
    write_err(path + ": error: malformed " + std::string(kind_name) + ": " + e.what() + "\n");
    return exit_error;
  }
  return exit_ok;
}

}  // namespace scenarioc
