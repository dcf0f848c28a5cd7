// scenarioc render: the three compiled files of one scenario, read with the
// same readers as dump, drawn as one self-contained SVG picture. The picture
// is built whole in memory and saved under a temporary name that replaces
// the target only at the end, so a failure never leaves half a picture.
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

namespace scenarioc {

const std::string_view render_usage =
    "usage: scenarioc render [--scenario NAME] [--train NUMBER] [--out FILE.svg]\n"
    "                        [--from KM] [--to KM] SCENARIO_DIR\n"
    "       scenarioc render [--out FILE.svg] [--from KM] [--to KM]\n"
    "                        LINE_FILE ROUTE_FILE CELL_FILE\n"
    "\n"
    "Draws a compiled scenario as one self-contained SVG picture: the plan of the\n"
    "line with north up, then along one kilometre axis the elevation, the\n"
    "gradient, the speed limit and speed boards, adhesion and the features of\n"
    "the cells, and a title block.\n"
    "\n"
    "The compiled files are SCENARIO_DIR/NAME_linea.dat, NAME_NUMBER.sim and\n"
    "NAME_NUMBER.dat, or the three files named, in any order, each known by its\n"
    "name as dump knows it (_linea.dat, .sim, .dat).\n"
    "\n"
    "  --scenario NAME  scenario name (default Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default 254)\n"
    "  --out FILE.svg   where the picture goes (default: the route file's name\n"
    "                   with .svg, e.g. SCENARIO_DIR/NAME_NUMBER.svg)\n"
    "  --from KM        start the picture at this kilometre (default 0)\n"
    "  --to KM          end it at this kilometre (default the end of the line)\n"
    "\n"
    "Prints the picture's file name. The picture is written only once it is\n"
    "complete, replacing a file of that name.\n"
    "Exit status: 0 written; 1 a compiled file is missing, malformed (the\n"
    "message names the byte offset at fault) or does not belong with the other\n"
    "two; 2 the picture could not be written; 64 a wrong command line, or a\n"
    "stretch outside the line.\n";

namespace {

using namespace scenario;

struct InputFiles {
  std::string line_file, route_file, cell_file;
};

void check_name(std::string_view option, const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos)
    throw UsageError(std::string(option) + " must be a non-empty name without / or \\");
}

InputFiles input_files(const Arguments& a) {
  if (a.operands.size() == 1) {
    const NomiFile names{a.value("--scenario", "Belvara_Quintosa"), a.value("--train", "254")};
    check_name("--scenario", names.nome_scenario);
    check_name("--train", names.numero_treno);
    const std::string& dir = a.operands[0];
    return {platform::join_path(dir, names.linea_dat()), platform::join_path(dir, names.percorso_sim()),
            platform::join_path(dir, names.celle_dat())};
  }
  if (a.operands.size() != 3) throw UsageError("render takes a SCENARIO_DIR or the three compiled files");
  if (a.values.contains("--scenario") || a.values.contains("--train"))
    throw UsageError("--scenario and --train find the files in a SCENARIO_DIR; not with three files");
  InputFiles in;
  for (const std::string& f : a.operands) {
    std::string* slot = nullptr;
    switch (tipo_file_compilato(f)) {
      case TipoFileCompilato::linea: slot = &in.line_file; break;
      case TipoFileCompilato::percorso: slot = &in.route_file; break;
      case TipoFileCompilato::celle: slot = &in.cell_file; break;
      default: break;
    }
    if (slot == nullptr || !slot->empty())
      throw UsageError("the three files must be one _linea.dat, one .sim and one .dat file");
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
// with its name (and the byte offset at fault) and gives nothing.
std::optional<CompiledScenario> read_compiled(const InputFiles& in) {
  struct File {
    const std::string& path;
    const char* name;
  };
  CompiledScenario l;
  for (const File& f : {File{in.line_file, "compiled line file"}, File{in.route_file, "route file"},
                        File{in.cell_file, "cell file"}}) {
    if (!platform::file_exists(f.path)) {
      const bool plan_file = &f.path == &in.line_file;
      write_err(f.path + ": error: missing " + f.name +
                 (plan_file ? " (a scenario compiled with --no-plan has none: compile it with its plan)\n" : "\n"));
      return std::nullopt;
    }
    std::string bytes;
    try {
      bytes = platform::read_file(f.path);
    } catch (const platform::Failure& e) {
      write_err("scenarioc: " + std::string(e.what()) + "\n");
      return std::nullopt;
    }
    try {
      if (&f.path == &in.line_file) l.tracciato = leggi_tracciato(bytes);
      else if (&f.path == &in.route_file) l.tabella_percorso = leggi_percorso(bytes);
      else l.celle = leggi_celle(bytes);
    } catch (const MalformedFile& e) {
      write_err(f.path + ": error: malformed " + f.name + ": " + e.what() + "\n");
      return std::nullopt;
    }
  }
  if (const auto why = mismatch(l)) {
    write_err("scenarioc: " + in.line_file + ", " + in.route_file + " and " + in.cell_file +
               " are not one scenario: " + *why + "\n");
    return std::nullopt;
  }
  return l;
}

// Saved under a temporary name beside the target, then moved over it.
std::optional<std::string> save(const std::string& path, const std::string& svg) {
  const std::string temporary = path + ".part";
  try {
    platform::OutputFile f = platform::create_replacing(temporary);
    f.write(svg);
    f.close();
    platform::move_file(temporary, path);
  } catch (const platform::Failure& e) {
    try {
      if (platform::file_exists(temporary)) platform::delete_file(temporary);
    } catch (const platform::Failure&) {
      // The failure that matters is the one reported.
    }
    return e.what();
  }
  return std::nullopt;
}

}  // namespace

int run_render(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {}, {"--scenario", "--train", "--out", "--from", "--to"});
  if (a.help) {
    write_out(render_usage);
    return exit_ok;
  }
  const InputFiles in = input_files(a);
  const std::optional<double> from_option = kilometres(a, "--from");
  const std::optional<double> to_option = kilometres(a, "--to");
  std::string output = a.value("--out", "");
  if (output.empty()) output = in.route_file.substr(0, in.route_file.size() - 4) + ".svg";
  if (output == in.line_file || output == in.route_file || output == in.cell_file)
    throw UsageError("--out " + output + " would replace a compiled file");

  const std::optional<CompiledScenario> l = read_compiled(in);
  if (!l) return exit_error;

  // The stretch is checked against the line only now that its end is known.
  const double end = axis_end(*l);
  const double from = from_option.value_or(0.0), to = to_option.value_or(end);
  if (from >= end) throw UsageError("--from " + km(from) + " is not before the end of the line (km " + km(end) + ")");
  if (to > end) throw UsageError("--to " + km(to) + " lies beyond the end of the line (km " + km(end) + ")");
  if (to <= from) throw UsageError("--to must be greater than --from");

  const std::string svg = draw_scenario(*l, from, to);
  if (const auto failure = save(output, svg)) {
    write_err("scenarioc: " + *failure + "; no picture written\n");
    return exit_failure;
  }
  write_out(output + "\n");
  return exit_ok;
}

}  // namespace scenarioc
