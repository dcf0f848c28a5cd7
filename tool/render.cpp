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

const std::string_view uso_render =
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
    "NAME_NUMBER.dat, or the three files named, in any order, each known as dump\n"
    "knows it: the .sim by its name, the two .dat files by their bytes.\n"
    "\n"
    "  --scenario NAME  scenario name (default Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default 254)\n"
    "  --out FILE.svg   where the picture goes (default: the route file's name\n"
    "                   with .svg, e.g. SCENARIO_DIR/NAME_NUMBER.svg)\n"
    "  --from KM        start the picture at this kilometre (default 0)\n"
    "  --to KM          end it at this kilometre (default the end of the line)\n"
    "\n"
    "Prints the picture's file name. The picture is written only once it is\n"
    "complete, replacing a file of that name; never one of the compiled files.\n"
    "Exit status: 0 written; 1 a compiled file is missing, malformed (the\n"
    "message names the byte offset at fault) or does not belong with the other\n"
    "two; 2 the picture, or standard output, could not be written; 64 a wrong\n"
    "command line, or a stretch outside the line.\n";

namespace {

using namespace scenario;

struct Ingressi {
  std::string linea, percorso, celle;
  bool per_nome = false;  // named by a SCENARIO_DIR: each file's kind is known
};

Ingressi ingressi(const Argomenti& a) {
  if (a.operandi.size() == 1) {
    const NomiFile nomi = scenario_names(a);
    const std::string& dir = a.operandi[0];
    return {platform::join_path(dir, nomi.linea_dat()),
            platform::join_path(dir, nomi.percorso_sim()),
            platform::join_path(dir, nomi.celle_dat()), true};
  }
  if (a.operandi.size() != 3) throw ErroreUso("render takes a SCENARIO_DIR or the three compiled files");
  if (a.valori.contains("--scenario") || a.valori.contains("--train"))
    throw ErroreUso("--scenario and --train find the files in a SCENARIO_DIR; not with three files");
  // The .sim by its name; which .dat is which is told by their bytes when
  // they are read.
  Ingressi in;
  for (const std::string& f : a.operandi) {
    std::string* posto = nullptr;
    switch (tipo_file_compilato(f)) {
      case TipoFileCompilato::percorso: posto = &in.percorso; break;
      case TipoFileCompilato::linea:
      case TipoFileCompilato::celle: posto = in.linea.empty() ? &in.linea : &in.celle; break;
      default: break;
    }
    if (posto == nullptr || !posto->empty())
      throw ErroreUso(
          "the three files must be one .sim and two .dat files (the cell file and the _linea.dat)");
    *posto = f;
  }
  return in;
}

// A kilometre option in metres; nothing when it is not given.
std::optional<double> chilometri(const Argomenti& a, std::string_view opzione) {
  const auto it = a.valori.find(opzione);
  if (it == a.valori.end()) return std::nullopt;
  const std::string& t = it->second;
  double v = 0;
  const auto [fine, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc{} || fine != t.data() + t.size() || !std::isfinite(v) || v < 0)
    throw ErroreUso(std::string(opzione) + " takes a number of kilometres, 0 or more (not \"" + t + "\")");
  return v * 1000.0;
}

std::string km(double metri) {
  std::string s = std::to_string(metri / 1000.0);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// The three files read and parsed; a missing or malformed one is reported
// with its name (and the byte offset at fault) and gives nothing. `in` ends
// with each file in its place.
std::optional<LineaCompilata> leggi(Ingressi& in) {
  struct File {
    std::string path;
    TipoFileCompilato atteso;  // by its place, or its name among three files
  };
  const File files[] = {
      {in.percorso, TipoFileCompilato::percorso},
      {in.linea, in.per_nome ? TipoFileCompilato::linea : tipo_file_compilato(in.linea)},
      {in.celle, in.per_nome ? TipoFileCompilato::celle : tipo_file_compilato(in.celle)}};
  LineaCompilata l;
  std::string* posti[] = {&in.percorso, &in.celle, &in.linea};
  for (std::string* posto : posti) posto->clear();
  for (const File& file : files) {
    const std::string& path = file.path;
    if (platform::file_info(path).kind == platform::FileKind::missing) {
      const bool linea = in.per_nome && file.atteso == TipoFileCompilato::linea;
      scrivi_err(path + ": error: missing " + std::string(kind_name(file.atteso)) +
                 (linea
                      ? " (a scenario compiled with --no-plan has none: compile it with its plan)\n"
                      : "\n"));
      return std::nullopt;
    }
    CompiledFile f;
    try {
      f = read_compiled_file(path);
    } catch (const platform::Failure& e) {
      scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
      return std::nullopt;
    } catch (const FileMalformato& e) {
      scrivi_err(path + ": error: malformed " + std::string(kind_name(file.atteso)) + ": " +
                 e.what() + "\n");
      return std::nullopt;
    }
    std::string& posto = *posti[f.kind == TipoFileCompilato::percorso ? 0
                                : f.kind == TipoFileCompilato::celle  ? 1
                                                                      : 2];
    // Named by a SCENARIO_DIR, a file must be the kind its name says; of
    // three files named, the two .dat files must be one of each kind.
    if ((in.per_nome && f.kind != file.atteso) || !posto.empty()) {
      scrivi_err(path + ": error: is a " + std::string(kind_name(f.kind)) +
                 (in.per_nome ? ", not a " + std::string(kind_name(file.atteso))
                              : ", as " + posto + " is") +
                 "\n");
      return std::nullopt;
    }
    posto = path;
    switch (f.kind) {
      case TipoFileCompilato::percorso: l.tabella = f.route; break;
      case TipoFileCompilato::celle: l.celle = std::move(f.cells); break;
      default: l.tracciato = std::move(f.plan); break;
    }
  }
  if (const auto perche = incoerenza(l)) {
    scrivi_err("scenarioc: " + in.linea + ", " + in.percorso + " and " + in.celle +
               " are not one scenario: " + *perche + "\n");
    return std::nullopt;
  }
  return l;
}

}  // namespace

int esegui_render(std::span<const std::string> args) {
  const Argomenti a = analizza(args, {}, {"--scenario", "--train", "--out", "--from", "--to"});
  if (a.aiuto) {
    scrivi_out(uso_render);
    return esito_ok;
  }
  Ingressi in = ingressi(a);
  const std::optional<double> da_opzione = chilometri(a, "--from");
  const std::optional<double> a_opzione = chilometri(a, "--to");
  std::string uscita = a.valore("--out", "");
  if (uscita.empty()) uscita = in.percorso.substr(0, in.percorso.size() - 4) + ".svg";
  // However it is spelled: "./DIR/NAME.sim", a link, an absolute path.
  for (const std::string* f : {&in.linea, &in.percorso, &in.celle}) {
    try {
      if (platform::same_file(uscita, *f))
        throw ErroreUso("--out " + uscita + " would replace the compiled file " + *f);
    } catch (const platform::Failure& e) {
      scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
      return esito_errore;
    }
  }

  const std::optional<LineaCompilata> l = leggi(in);
  if (!l) return esito_errore;

  // The stretch is checked against the line only now that its end is known.
  const double fine = fine_asse(*l);
  const double da = da_opzione.value_or(0.0), a_m = a_opzione.value_or(fine);
  if (da >= fine) throw ErroreUso("--from " + km(da) + " is not before the end of the line (km " + km(fine) + ")");
  if (a_m > fine) throw ErroreUso("--to " + km(a_m) + " lies beyond the end of the line (km " + km(fine) + ")");
  if (a_m <= da) throw ErroreUso("--to must be greater than --from");

  const std::string svg = disegna_linea(*l, da, a_m);
  try {
    platform::replace_file(uscita, svg);
  } catch (const platform::Failure& e) {
    scrivi_err("scenarioc: " + std::string(e.what()) + "; no picture written\n");
    return esito_fallito;
  }
  scrivi_out(uscita + "\n");
  return esito_ok;
}

}  // namespace scenarioc
