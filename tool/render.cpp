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

struct Ingressi {
  std::string linea, percorso, celle;
};

void controlla_nome(std::string_view opzione, const std::string& nome) {
  if (nome.empty() || nome.find_first_of("/\\") != std::string::npos)
    throw ErroreUso(std::string(opzione) + " must be a non-empty name without / or \\");
}

Ingressi ingressi(const Argomenti& a) {
  if (a.operandi.size() == 1) {
    const NomiFile nomi{a.valore("--scenario", "Belvara_Quintosa"), a.valore("--train", "254")};
    controlla_nome("--scenario", nomi.nome_scenario);
    controlla_nome("--train", nomi.numero_treno);
    const std::string& dir = a.operandi[0];
    return {platform::join_path(dir, nomi.linea_dat()), platform::join_path(dir, nomi.percorso_sim()),
            platform::join_path(dir, nomi.celle_dat())};
  }
  if (a.operandi.size() != 3) throw ErroreUso("render takes a SCENARIO_DIR or the three compiled files");
  if (a.valori.contains("--scenario") || a.valori.contains("--train"))
    throw ErroreUso("--scenario and --train find the files in a SCENARIO_DIR; not with three files");
  Ingressi in;
  for (const std::string& f : a.operandi) {
    std::string* posto = nullptr;
    switch (tipo_file_compilato(f)) {
      case TipoFileCompilato::linea: posto = &in.linea; break;
      case TipoFileCompilato::percorso: posto = &in.percorso; break;
      case TipoFileCompilato::celle: posto = &in.celle; break;
      default: break;
    }
    if (posto == nullptr || !posto->empty())
      throw ErroreUso("the three files must be one _linea.dat, one .sim and one .dat file");
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
// with its name (and the byte offset at fault) and gives nothing.
std::optional<LineaCompilata> leggi(const Ingressi& in) {
  struct File {
    const std::string& path;
    const char* nome;
  };
  LineaCompilata l;
  for (const File& f : {File{in.linea, "compiled line file"}, File{in.percorso, "route file"},
                        File{in.celle, "cell file"}}) {
    if (!platform::file_exists(f.path)) {
      const bool linea = &f.path == &in.linea;
      scrivi_err(f.path + ": error: missing " + f.nome +
                 (linea ? " (a scenario compiled with --no-plan has none: compile it with its plan)\n" : "\n"));
      return std::nullopt;
    }
    std::string bytes;
    try {
      bytes = platform::read_file(f.path);
    } catch (const platform::Failure& e) {
      scrivi_err("scenarioc: " + std::string(e.what()) + "\n");
      return std::nullopt;
    }
    try {
      if (&f.path == &in.linea) l.tracciato = leggi_tracciato(bytes);
      else if (&f.path == &in.percorso) l.tabella = leggi_percorso(bytes);
      else l.celle = leggi_celle(bytes);
    } catch (const FileMalformato& e) {
      scrivi_err(f.path + ": error: malformed " + f.nome + ": " + e.what() + "\n");
      return std::nullopt;
    }
  }
  if (const auto perche = incoerenza(l)) {
    scrivi_err("scenarioc: " + in.linea + ", " + in.percorso + " and " + in.celle +
               " are not one scenario: " + *perche + "\n");
    return std::nullopt;
  }
  return l;
}

// Saved under a temporary name beside the target, then moved over it.
std::optional<std::string> salva(const std::string& path, const std::string& svg) {
  const std::string provvisorio = path + ".part";
  try {
    platform::OutputFile f = platform::create_replacing(provvisorio);
    f.write(svg);
    f.close();
    platform::move_file(provvisorio, path);
  } catch (const platform::Failure& e) {
    try {
      if (platform::file_exists(provvisorio)) platform::delete_file(provvisorio);
    } catch (const platform::Failure&) {
      // The failure that matters is the one reported.
    }
    return e.what();
  }
  return std::nullopt;
}

}  // namespace

int esegui_render(std::span<const std::string> args) {
  const Argomenti a = analizza(args, {}, {"--scenario", "--train", "--out", "--from", "--to"});
  if (a.aiuto) {
    scrivi_out(uso_render);
    return esito_ok;
  }
  const Ingressi in = ingressi(a);
  const std::optional<double> da_opzione = chilometri(a, "--from");
  const std::optional<double> a_opzione = chilometri(a, "--to");
  std::string uscita = a.valore("--out", "");
  if (uscita.empty()) uscita = in.percorso.substr(0, in.percorso.size() - 4) + ".svg";
  if (uscita == in.linea || uscita == in.percorso || uscita == in.celle)
    throw ErroreUso("--out " + uscita + " would replace a compiled file");

  const std::optional<LineaCompilata> l = leggi(in);
  if (!l) return esito_errore;

  // The stretch is checked against the line only now that its end is known.
  const double fine = fine_asse(*l);
  const double da = da_opzione.value_or(0.0), a_m = a_opzione.value_or(fine);
  if (da >= fine) throw ErroreUso("--from " + km(da) + " is not before the end of the line (km " + km(fine) + ")");
  if (a_m > fine) throw ErroreUso("--to " + km(a_m) + " lies beyond the end of the line (km " + km(fine) + ")");
  if (a_m <= da) throw ErroreUso("--to must be greater than --from");

  const std::string svg = disegna_linea(*l, da, a_m);
  if (const auto guasto = salva(uscita, svg)) {
    scrivi_err("scenarioc: " + *guasto + "; no picture written\n");
    return esito_fallito;
  }
  scrivi_out(uscita + "\n");
  return esito_ok;
}

}  // namespace scenarioc
