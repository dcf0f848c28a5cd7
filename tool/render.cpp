// scenarioc render: the three compiled files of one scenario, read with the
// same readers as dump, drawn as one self-contained SVG picture. The picture
// is built whole in memory and replaces its file in one step, so a failure
// never leaves half a picture, nor loses the earlier one.
#include "tool/render.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "format/compiled_files_reader.h"
#include "model/file_names.h"
#include "platform/platform.h"
#include "render/line.h"
#include "tool/cli.h"
#include "tool/compiled_input.h"

namespace scenarioc {

const std::string_view render_usage =
    "usage: scenarioc render [--scenario NAME] [--train NUMBER] [--out FILE.svg]\n"
    "                        [--from KM] [--to KM] SCENARIO_DIR\n"
    "       scenarioc render [--out FILE.svg] [--from KM] [--to KM]\n"
    "                        LINE_FILE ROUTE_FILE CELL_FILE\n"
    "\n"
    "Draws a compiled scenario as one self-contained SVG picture: the plan of the\n"
    "line (north up or turned), then along one kilometre axis the timetable\n"
    "(station times against the least times at the train's limits, when the\n"
    "train has timed stations), the elevation, the gradient, the speed limit and\n"
    "speed boards, adhesion and the features of the cells, and a title block.\n"
    "\n"
    "The compiled files are SCENARIO_DIR/NAME_linea.dat, NAME_NUMBER.sim and\n"
    "NAME_NUMBER.dat, or the three files named, in any order, each known as dump\n"
    "knows it: the .sim by its name, the two .dat files by their bytes.\n"
    "\n"
    "  --scenario NAME  scenario name (default: that of SCENARIO_DIR's one route file,\n"
    "                   else Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default: that of the scenario's one route\n"
    "                   file, else 254)\n"
    "  --out FILE.svg   where the picture goes (default: the route file's name\n"
    "                   with .svg, e.g. SCENARIO_DIR/NAME_NUMBER.svg)\n"
    "  --from KM        start the picture at this kilometre (default 0)\n"
    "  --to KM          end it at this kilometre (default the end of the line)\n"
    "\n"
    "Prints the picture's file name. The picture is written only once it is\n"
    "complete, replacing a file of that name; never one of the compiled files.\n"
    "Exit status: 0 written; 1 a compiled file is missing, malformed (the\n"
    "message names the byte offset at fault) or does not belong with the other\n"
    "two; 2 the picture could not be written (nor, then, standard output); 3\n"
    "the picture was written, but standard output or error failed; 64 a wrong\n"
    "command line, or a stretch outside the line.\n";

namespace {

using namespace scenario;
using render::CompiledScenario;

struct InputFiles {
  std::string line_file, route_file, cell_file;
  bool by_folder = false;  // named by a SCENARIO_DIR: each file's kind is known
};

InputFiles input_files(const Arguments& a) {
  if (a.operands.size() == 1) {
    const FileNames names = names_in_folder(a, a.operands[0], FoundIn::compiled_files);
    const std::string& dir = a.operands[0];
    return {platform::join_path(dir, names.linea_dat()),
            platform::join_path(dir, names.percorso_sim()),
            platform::join_path(dir, names.celle_dat()), true};
  }
  if (a.operands.size() != 3) throw UsageError("render takes a SCENARIO_DIR or the three compiled files");
  if (a.values.contains("--scenario") || a.values.contains("--train"))
    throw UsageError("--scenario and --train find the files in a SCENARIO_DIR; not with three files");
  // The .sim by its name; which .dat is which is told by their bytes when
  // they are read.
  InputFiles in;
  for (const std::string& f : a.operands) {
    std::string* slot = nullptr;
    switch (compiled_file_kind(f)) {
      case CompiledFileKind::percorso: slot = &in.route_file; break;
      case CompiledFileKind::linea:
      case CompiledFileKind::celle: slot = in.line_file.empty() ? &in.line_file : &in.cell_file; break;
      default: break;
    }
    if (slot == nullptr || !slot->empty())
      throw UsageError(
          "the three files must be one .sim and two .dat files (the cell file and the _linea.dat)");
    *slot = f;
  }
  return in;
}

// A kilometre option in metres; nothing when it is not given.
std::optional<double> kilometres(const Arguments& a, std::string_view option) {
  const auto it = a.values.find(option);
  if (it == a.values.end()) return std::nullopt;
  const std::string& t = it->second;
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc{} || end != t.data() + t.size() || !std::isfinite(v) || v < 0)
    throw UsageError(std::string(option) + " takes a number of kilometres, 0 or more (not \"" + t + "\")");
  return v * 1000.0;
}

std::string km(double metres) {
  std::string s = std::to_string(metres / 1000.0);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// The three files read and parsed; a missing or malformed one is reported
// with its name (and the byte offset at fault) and gives nothing. `in` ends
// with each file in its place.
std::optional<CompiledScenario> read_compiled(InputFiles& in) {
  struct File {
    std::string path;
    CompiledFileKind expected;  // by its place, or its name among three files
  };
  const File files[] = {
      {in.route_file, CompiledFileKind::percorso},
      {in.line_file, in.by_folder ? CompiledFileKind::linea : compiled_file_kind(in.line_file)},
      {in.cell_file, in.by_folder ? CompiledFileKind::celle : compiled_file_kind(in.cell_file)}};
  CompiledScenario l;
  std::string* slots[] = {&in.route_file, &in.cell_file, &in.line_file};
  for (std::string* slot : slots) slot->clear();
  for (const File& file : files) {
    const std::string& path = file.path;
    if (platform::file_info(path).kind == platform::FileKind::missing) {
      const bool plan_file = in.by_folder && file.expected == CompiledFileKind::linea;
      write_err(path + ": error: missing " + std::string(kind_name(file.expected)) +
                 (plan_file
                      ? " (a scenario compiled with --no-plan has none: compile it with its plan)\n"
                      : "\n"));
      return std::nullopt;
    }
    CompiledFile f;
    try {
      f = read_compiled_file(path);
    } catch (const platform::Failure& e) {
      write_err("scenarioc: " + std::string(e.what()) + "\n");
      return std::nullopt;
    } catch (const MalformedFile& e) {
      write_err(path + ": error: malformed " + std::string(kind_name(file.expected)) + ": " +
                 e.what() + "\n");
      return std::nullopt;
    }
    std::string& slot = *slots[f.kind == CompiledFileKind::percorso ? 0
                                : f.kind == CompiledFileKind::celle  ? 1
                                                                      : 2];
    // Named by a SCENARIO_DIR, a file must be the kind its name says; of
    // three files named, the two .dat files must be one of each kind.
    if ((in.by_folder && f.kind != file.expected) || !slot.empty()) {
      write_err(path + ": error: is a " + std::string(kind_name(f.kind)) +
                 (in.by_folder ? ", not a " + std::string(kind_name(file.expected))
                              : ", as " + slot + " is") +
                 "\n");
      return std::nullopt;
    }
    slot = path;
    switch (f.kind) {
      case CompiledFileKind::percorso: l.tabella_percorso = f.route; break;
      case CompiledFileKind::celle: l.celle = std::move(f.cells); break;
      default: l.tracciato = std::move(f.plan); break;
    }
  }
  if (const auto why = render::mismatch(l)) {
    write_err("scenarioc: " + in.line_file + ", " + in.route_file + " and " + in.cell_file +
               " are not one scenario: " + *why + "\n");
    return std::nullopt;
  }
  return l;
}

}  // namespace

int run_render(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {}, {"--scenario", "--train", "--out", "--from", "--to"});
  if (a.help) {
    write_out(render_usage);
    return exit_ok;
  }
  InputFiles in = input_files(a);
  const std::optional<double> from_option = kilometres(a, "--from");
  const std::optional<double> to_option = kilometres(a, "--to");
  std::string output = a.value("--out", "");
  if (output.empty()) output = in.route_file.substr(0, in.route_file.size() - 4) + ".svg";
  // However it is spelled: "./DIR/NAME.sim", a link, an absolute path.
  for (const std::string* f : {&in.line_file, &in.route_file, &in.cell_file}) {
    try {
      if (platform::same_file(output, *f))
        throw UsageError("--out " + output + " would replace the compiled file " + *f);
    } catch (const platform::Failure& e) {
      write_err("scenarioc: " + std::string(e.what()) + "\n");
      return exit_error;
    }
  }

  std::optional<CompiledScenario> l;
  {
    // One publication's three files, never two runs' (the picture itself is
    // written after, so --out may lie in one of the folders).
    const std::string files[] = {in.line_file, in.route_file, in.cell_file};
    const SetReading reading(files);
    l = read_compiled(in);
  }
  if (!l) return exit_error;

  // The stretch is checked against the line only now that its end is known.
  const double end = render::axis_end(*l);
  const double from = from_option.value_or(0.0), to = to_option.value_or(end);
  if (from >= end) throw UsageError("--from " + km(from) + " is not before the end of the line (km " + km(end) + ")");
  if (to > end) throw UsageError("--to " + km(to) + " lies beyond the end of the line (km " + km(end) + ")");
  if (to <= from) throw UsageError("--to must be greater than --from");

  const std::string svg = render::draw_scenario(*l, from, to);
  try {
    platform::replace_file(output, svg);
    files_published();
  } catch (const platform::Failure& e) {
    write_err("scenarioc: " + std::string(e.what()) + "; no picture written\n");
    return exit_failure;
  }
  write_out(output + "\n");
  return exit_ok;
}

}  // namespace scenarioc
