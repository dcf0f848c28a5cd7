// scenarioc texts: the five texts of the embedded scenario, written by the
// one-shot program's own writers, as a starting point for a new scenario.
// They are staged beside their folder's files and put in place together,
// so a failure leaves none of them and a second try finds nothing in its
// way.
#include <string>
#include <vector>

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
    "sheets. The five are written all together or not at all. Nothing that\n"
    "already stands under one of the five names (a file, a folder, a symbolic\n"
    "link, even one that leads nowhere) is ever replaced: then nothing is\n"
    "written and the exit status is 1. Exit status 2: the texts could not be\n"
    "written, and none was; 3: the five were written, but their list could not\n"
    "be (standard output or error failed).\n";

int run_texts(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {}, {});
  if (a.help) {
    write_out(texts_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("texts takes one DIR");
  const std::string& dir = a.operands[0];

  using namespace scenario;
  const FileNames names{"Belvara_Quintosa", "254"};
  struct Text {
    std::string name;
    void (*write)(const std::string&, const FileNames&);
  };
  // The one-shot program's order.
  const Text texts[] = {
      {names.linea_txt(), dati_linea},
      {names.treno_txt(), dati_treno},
      {names.note(), dati_note},
      {names.rallentamenti(), dati_rallentamenti},
      {names.scheda(), dati_scheda},
  };

  std::vector<NewFile> files;
  for (const Text& t : texts)
    files.push_back({t.name, [&names, write = t.write](const std::string& folder) { write(folder, names); }});
  return publish_new_texts(dir, files, "texts", [&] { platform::create_directories(dir); });
}

int publish_new_texts(const std::string& dir, std::span<const NewFile> files, std::string_view command,
                      const std::function<void()>& make_dir) {
  std::string listing;
  try {
    make_dir();
    platform::OutputSet set = output_set(dir);
    // An author's edited description must not be lost to a starting point.
    for (const NewFile& f : files) {
      const std::string path = platform::join_path(dir, f.name);
      // A link that leads nowhere too: publishing would put a file in its place.
      if (platform::name_taken(path)) {
        write_err(path + ": error: already exists; " + std::string(command) +
                  " never replaces a file, nothing written\n");
        return exit_error;
      }
    }
    std::vector<std::string> text_names;
    for (const NewFile& f : files) {
      f.write(set.path());
      text_names.push_back(f.name);
      listing += platform::join_path(dir, f.name) + "\n";
    }
    set.publish(text_names);
    files_published();
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "; no text written\n");
    return exit_failure;
  }
  write_out(listing);
  return exit_ok;
}

}  // namespace scenarioc
