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

const std::string_view uso_dump =
    "usage: scenarioc dump [--json] FILE\n"
    "\n"
    "Prints a compiled file readably. The kind comes from the name, and for a\n"
    ".dat file from what its bytes are:\n"
    "  NAME_linea.dat    compiled line file: point count, element kinds, the\n"
    "                    first and last points\n"
    "  NAME_NUMBER.sim   route file: the 87 entries with every field named\n"
    "  NAME_NUMBER.dat   cell file: one line per cell that holds a feature\n"
    "\n"
    "  --json  print one JSON object instead, with every entry or every cell\n"
    "\n"
    "Exit status: 0 printed; 1 the file cannot be read, is not a regular file,\n"
    "is larger than any file of its kind or is malformed (the message names the\n"
    "byte offset at fault); 2 standard output could not be written; 64 a wrong\n"
    "command line.\n";

int esegui_dump(std::span<const std::string> args) {
  using namespace scenario;
  const Argomenti a = analizza(args, {"--json"}, {});
  if (a.aiuto) {
    scrivi_out(uso_dump);
    return esito_ok;
  }
  if (a.operandi.size() != 1) throw ErroreUso("dump takes one FILE");
  const std::string& path = a.operandi[0];
  const bool json = a.ha("--json");

  const TipoFileCompilato tipo = tipo_file_compilato(path);
  if (tipo == TipoFileCompilato::sconosciuto) {
    scrivi_err(path + ": error: not a compiled file name (expected _linea.dat, .sim or .dat)\n");
    return esito_errore;
  }
  CompiledFile f;
  try {
    f = read_compiled_file(path);
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
    return esito_errore;
  } catch (const FileMalformato& e) {
    scrivi_err(path + ": error: malformed " + std::string(kind_name(tipo)) + ": " + e.what() +
               "\n");
    return esito_errore;
  }
  switch (f.kind) {
    case TipoFileCompilato::percorso:
      scrivi_out(json ? percorso_json(path, f.size, f.route)
                      : percorso_testo(path, f.size, f.route));
      break;
    case TipoFileCompilato::celle:
      scrivi_out(json ? celle_json(path, f.size, f.cells) : celle_testo(path, f.size, f.cells));
      break;
    default:
      scrivi_out(json ? linea_json(path, f.size, f.plan) : linea_testo(path, f.size, f.plan));
      break;
  }
  return esito_ok;
}

}  // namespace scenarioc
