// scenarioc's command dispatch: the first argument names the command.
#include "tool/run.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "tool/cli.h"
#include "tool/render.h"

namespace {

using namespace scenarioc;

constexpr std::string_view uso =
    "usage: scenarioc COMMAND [OPTIONS] ...\n"
    "\n"
    "commands:\n"
    "  compile [--scenario NAME] [--train NUMBER] [--no-plan] [--out DIR] [--json] SOURCE_DIR\n"
    "      compile SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt into the\n"
    "      three compiled files\n"
    "  dump [--json] FILE\n"
    "      print a compiled file (.sim, .dat or _linea.dat) readably\n"
    "  texts DIR\n"
    "      write the five texts of the embedded scenario into DIR\n"
    "  render [--scenario NAME] [--train NUMBER] [--out FILE.svg] [--from KM] [--to KM]\n"
    "         SCENARIO_DIR | LINE_FILE ROUTE_FILE CELL_FILE\n"
    "      draw the compiled files as one SVG picture: plan, profiles, features\n"
    "\n"
    "'scenarioc COMMAND --help' describes a command. Exit status 64 means a\n"
    "wrong command line.\n";

struct Comando {
  std::string_view nome;
  int (*esegui)(std::span<const std::string>);
  const std::string_view* uso;
};

constexpr Comando comandi[] = {
    {"compile", esegui_compile, &uso_compile},
    {"dump", esegui_dump, &uso_dump},
    {"texts", esegui_texts, &uso_texts},
    {"render", esegui_render, &uso_render},
};

int errore_uso(std::string_view messaggio, std::string_view testo_uso) {
  scrivi_err("scenarioc: " + std::string(messaggio) + "\n" + std::string(testo_uso));
  return esito_uso;
}

// A command's synopsis: its usage up to the first blank line.
std::string sinossi(std::string_view uso_comando, std::string_view nome) {
  return std::string(uso_comando.substr(0, uso_comando.find("\n\n") + 1)) + "run 'scenarioc " +
         std::string(nome) + " --help' for more\n";
}

}  // namespace

namespace scenarioc {

int run(std::span<const std::string> args) {
  if (args.empty()) return errore_uso("no command given", uso);
  if (args[0] == "--help") {
    scrivi_out(uso);
    return esito_ok;
  }
  for (const Comando& c : comandi) {
    if (args[0] != c.nome) continue;
    try {
      return c.esegui(std::span(args).subspan(1));
    } catch (const ErroreUso& e) {
      return errore_uso(e.what(), sinossi(*c.uso, c.nome));
    } catch (const std::exception& e) {
      scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
      return esito_fallito;
    }
  }
  return errore_uso("unknown command " + args[0], uso);
}

int run_program(std::span<const std::string> args) {
  try {
    platform::install_interrupt_handlers();
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
    return esito_fallito;
  }
  const int esito = run(args);
  if (!platform::close_standard_output("scenarioc")) return esito_fallito;
  return esito;
}

}  // namespace scenarioc
