// scenarioc texts: the five texts of the embedded scenario, written by the
// one-shot program's own writers, as a starting point for a new scenario.
#include <string>

#include "platform/platform.h"
#include "text/scenario_texts.h"
#include "tool/cli.h"

namespace scenarioc {

const std::string_view texts_usage =
    "usage: scenarioc texts DIR\n"
    "\n"
    "Writes the five texts of the embedded scenario (Belvara_Quintosa, train 254)\n"
    "into DIR, creating it when missing: the line and train descriptions, which\n"
    "'scenarioc compile DIR' compiles, and the notes, slowdown and timetable\n"
    "sheets. A file that already exists is never replaced: then nothing is\n"
    "written and the exit status is 1.\n";

int run_texts(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {}, {});
  if (a.help) {
    write_out(texts_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("texts takes one DIR");
  const std::string& dir = a.operands[0];

  using namespace scenario;
  const NomiFile names{"Belvara_Quintosa", "254"};
  struct Text {
    std::string name;
    void (*write)(const std::string&, const NomiFile&);
  };
  // The one-shot program's order.
  const Text texts[] = {
      {names.linea_txt(), dati_linea},
      {names.treno_txt(), dati_treno},
      {names.note(), dati_note},
      {names.rallentamenti(), dati_rallentamenti},
      {names.scheda(), dati_scheda},
  };

  try {
    platform::create_directories(dir);
    // An author's edited description must not be lost to a starting point.
    for (const Text& t : texts) {
      const std::string path = platform::join_path(dir, t.name);
      if (platform::file_exists(path) || platform::directory_exists(path)) {
        write_err(path + ": error: already exists; texts never replaces a file, nothing written\n");
        return exit_error;
      }
    }
    std::string listing;
    for (const Text& t : texts) {
      t.write(dir, names);
      listing += platform::join_path(dir, t.name) + "\n";
    }
    write_out(listing);
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "\n");
    return exit_error;
  }
  return exit_ok;
}

}  // namespace scenarioc
