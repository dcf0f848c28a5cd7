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

const std::string_view uso_dump =
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
  std::string bytes;
  try {
    bytes = platform::read_file(path);
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
    return esito_errore;
  }
  try {
    switch (tipo) {
      case TipoFileCompilato::percorso: {
        const Tabella t = leggi_percorso(bytes);
        scrivi_out(json ? percorso_json(path, bytes.size(), t) : percorso_testo(path, bytes.size(), t));
        break;
      }
      case TipoFileCompilato::celle: {
        const std::vector<cella> c = leggi_celle(bytes);
        scrivi_out(json ? celle_json(path, bytes.size(), c) : celle_testo(path, bytes.size(), c));
        break;
      }
      default: {
        const Tracciato t = leggi_tracciato(bytes);
        scrivi_out(json ? linea_json(path, bytes.size(), t) : linea_testo(path, bytes.size(), t));
        break;
      }
    }
  } catch (const FileMalformato& e) {
    const std::string_view nome_tipo = tipo == TipoFileCompilato::percorso ? "route file"
                                       : tipo == TipoFileCompilato::celle  ? "cell file"
                                                                           : "compiled line file";
    scrivi_err(path + ": error: malformed " + std::string(nome_tipo) + ": " + e.what() + "\n");
    return esito_errore;
  }
  return esito_ok;
}

}  // namespace scenarioc
