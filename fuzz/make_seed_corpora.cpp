// Writes the seed corpora of the fuzz targets into DIR/<target>/: the
// embedded scenario's texts and small texts that reach every record kind
// and the main error paths, and compiled files made by the compiler itself
// (a small plan is built directly, since a compiled one is 140 KB at least).
//   make_seed_corpora DIR
#include <stdlib.h>  // mkdtemp

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "format/byte_buffer.h"
#include "compiler/compile.h"
#include "driver/one_shot_run.h"
#include "format/compiled_files.h"
#include "model/file_names.h"
#include "compiler/line_features.h"
#include "model/model.h"
#include "platform/platform.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"

#include <nlohmann/json.hpp>

namespace {

using namespace scenario;
namespace fs = std::filesystem;

// The compile target's separator between the line and the train text.
constexpr std::string_view separatore = "~~treno~~";

void scrivi(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string linea(const std::string& generale, const std::string& corpo) {
  return "[generale]\r\n" + generale + "[curve]\r\n" + corpo + "[fine]\r\n";
}
std::string linea(const std::string& corpo) {
  return linea("lunghezza percorso, 10000\r\n", corpo);
}
std::string treno(const std::string& righe) { return "[generale]\r\n" + righe + "[fine]\r\n"; }

const std::string linea_piccola = linea(
    "lunghezza percorso, 10000\r\n"
    "progressiva chilometrica uno, 0, 1200, 1\r\n"
    "sfondo uno, 5\r\nsfondo due, 1\r\nsfondo tre, 2\r\n"
    "ripetizione segnali 9 codici, 50, 7000\r\n",
    "curvad3, 800, 450\r\ncurvas1, 2000, 300\r\n"
    "[pendenze]\r\npendenza, 1000, 3\r\npendenza, 4000, -2\r\n"
    "[montagne]\r\nmontagna, 5000, 6000, 12\r\n"
    "[cartelli]\r\nindicatori_vmax, 700, 100, 105, 110, 1, 60, 60, 60, 0\r\n"
    "cartello indicatore, 3000, \"PASSAGGIO A LIVELLO\"\r\n");

const std::string treno_piccolo = treno(
    "numero vetture, 6\r\npercentuale massa frenata, 110\r\nsabbia, 200\r\n"
    "orologio, 8 30 0\r\n"
    "[aderenze]\r\naderenza, 0, 100\r\naderenza, 2000, 90\r\n"
    "[vel_limite]\r\nvelocita, 0, 100\r\nvelocita, 5000, 80\r\n"
    "[stazioni]\r\n"
    "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 8,30, 0, PARTENZA\r\n"
    "stazione, 4000, 22, 500, 0, 0, 1, 0,0,0, 4,1,1, 0, 0, 0, 0, MEZZO\r\n"
    "stazione, 8500, 5, 800, 0, 1, 0, 1,1,0, 2,1,1, 0, 8,45, 0, ARRIVO\r\n"
    "[rallentamenti]\r\nrallentamento, 6000, 30, 500, 1, 1, 0\r\n"
    "[segnali]\r\nsegnale, 1650, 2, 3, 0, 0, 0, 0, 0,0,0, 0\r\n"
    "segnale, 7000, 2, 4, 1, 0, 0, 2, 2,1,0, 150\r\n"
    "abbattimento, 3500, 60\r\n");

void campi(const fs::path& d) {
  scrivi(d / "embedded_line.txt", joined_lines(righe_linea()));
  scrivi(d / "embedded_train.txt", joined_lines(righe_treno()));
  scrivi(d / "quoted.txt", "\"a, b\" rest, \"open\r\n \" x\",\"\"\r\n");
  scrivi(d / "numbers.txt", "1, -2, +3, , 007,\t8 9\r\n-2147483648, 2147483647, 2147483648, -, +, 1x\r\n");
  scrivi(d / "line_ends.txt", "a\rb\nc\r\nd\n\re,\r\n  \t \r\n,,");
}

void linee(const fs::path& d) {
  scrivi(d / "embedded_line.txt", joined_lines(righe_linea()));
  scrivi(d / "every_record.txt", linea_piccola);
  scrivi(d / "comments.txt",
         linea("- una nota, lunghezza percorso, 5000\r\nlunghezza percorso, 5000\r\n",
               "-curvad3, 100, 100\r\ncurvas6, 500, 100\r\n-[x]\r\npendenza, 1000, 1\r\n"));
  scrivi(d / "no_general_section.txt", "lunghezza percorso, 1000\r\n");
  scrivi(d / "too_long.txt", linea("lunghezza percorso, 1000001\r\n", ""));
  scrivi(d / "longest_curved.txt",
         linea("lunghezza percorso, 1000000\r\n", "curvad1, 0, 999000\r\n"));
  scrivi(d / "repetition_not_50.txt",
         linea("lunghezza percorso, 5000\r\nripetizione segnali 4 codici, 30, 100\r\n", ""));
  scrivi(d / "curve_without_class.txt", linea("curvad, 100, 100\r\n"));
  scrivi(d / "board_on_board.txt", linea("indicatori_vmax, 1000, 100,100,100,0, 0,0,0,0\r\n"
                                         "cartello indicatore, 1000, STOP\r\n"));
  scrivi(d / "beyond_the_cells.txt", linea("pendenza, 20000, 3\r\n"));
  scrivi(d / "no_length.txt", linea("sfondo uno, 4\r\n", "pendenza, 100, 3\r\n"));
  scrivi(d / "curve_past_point_1000000.txt",
         linea("lunghezza percorso, 1000000\r\n", "curvad1, 999000, 5000\r\n"));
  std::string montagne;
  for (int i = 0; i < 81; ++i)
    montagne += "montagna, " + std::to_string(1000 + 100 * i) + ", " + std::to_string(1050 + 100 * i) + ", 1\r\n";
  scrivi(d / "more_than_80_mountains.txt", linea(montagne));
}

void compilazioni(const fs::path& d) {
  const std::string sep(separatore);
  scrivi(d / "embedded.txt", joined_lines(righe_linea()) + sep + joined_lines(righe_treno()));
  scrivi(d / "every_record.txt", linea_piccola + sep + treno_piccolo);
  scrivi(d / "line_only.txt", linea_piccola);
  scrivi(d / "empty_train.txt", linea_piccola + sep);
  scrivi(d / "stations_too_close.txt",
         linea("") + sep +
             treno("stazione, 1000, 8, 700, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A\r\n"
                   "stazione, 1500, 8, 700, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, B\r\n"));
  scrivi(d / "signal_on_signal.txt",
         linea("") + sep +
             treno("segnale, 1650, 2,3,0, 0,0, 0, 0,0,0, 0\r\nsegnale, 1650, 2,3,0, 0,0, 0, 0,0,0, 0\r\n"));
  scrivi(d / "station_stop_past_the_cells.txt",
         linea("") + sep + treno("stazione, 1000, 7, 20000, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A\r\n"));
  scrivi(d / "station_stop_before_cell_2.txt",
         linea("") + sep + treno("stazione, -100, 5, 0, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A\r\n"));
  // 79 text boards leave one route entry: the first station fills the table.
  std::string cartelli;
  for (int i = 0; i < 79; ++i) cartelli += "cartello indicatore, " + std::to_string(1000 + 100 * i) + ", T\r\n";
  scrivi(d / "station_table_full.txt",
         linea(cartelli) + sep + treno("stazione, 500, 8, 700, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A\r\n"));
  scrivi(d / "slowdowns.txt",
         linea("") + sep +
             treno("rallentamento, 1000, 30, 0, 0, 0, 0\r\n"
                   "rallentamento, 3000, 60, 1000, 1, 1, 5\r\n"
                   "segnale, 4100, 2,3,0, 0,0, 0, 0,0,0, 0\r\n"
                   "abbattimento, 2000, 0\r\n"));
}

void compile_folder(const std::string& cartella, const std::string& testo_linea,
             const std::string& testo_treno, std::int32_t j, Modello& m) {
  m.nome_scenario = "Seme";
  m.numero_treno = "1";
  const FileNames nomi{m.nome_scenario, m.numero_treno};
  scrivi(fs::path(cartella) / nomi.linea_txt(), testo_linea);
  scrivi(fs::path(cartella) / nomi.treno_txt(), testo_treno);
  memorizza_percorso(m, cartella, j);
}

std::string piano(std::int32_t ultimo, std::int64_t inizio, std::int64_t lunghezza, double k) {
  Modello m;
  m.lunghezza_totale = ultimo;
  m.tracciato.crea(ultimo);
  seed_plan(m.tracciato);
  LineState st;
  if (lunghezza > 0) lay_curve(m, st, inizio, lunghezza, k, 0);
  complete_plan(m, st);
  std::string bytes;
  serialize_plan(m.tracciato, 4096, [&](std::span<const std::uint8_t> b) {
    bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
  });
  return bytes;
}

std::string dato(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void file_compilati(const fs::path& d) {
  char modello[] = "/tmp/make_seed_corpora.XXXXXX";
  if (mkdtemp(modello) == nullptr) throw std::runtime_error("cannot create a directory under /tmp");
  const std::string cartella = modello;
  const FileNames nomi{"Seme", "1"};
  {
    Modello m;
    compile_folder(cartella, joined_lines(righe_linea()), joined_lines(righe_treno()), 0, m);
    scrivi(d / "embedded.sim", dato(fs::path(cartella) / nomi.percorso_sim()));
    scrivi(d / "embedded_cells.dat", dato(fs::path(cartella) / nomi.celle_dat()));
    scrivi(d.parent_path() / "decompile" / "embedded.txt",
           dato(fs::path(cartella) / nomi.percorso_sim()) + "~~celle~~" +
               dato(fs::path(cartella) / nomi.celle_dat()));
  }
  {
    Modello m;
    compile_folder(cartella, linea_piccola, treno_piccolo, 0, m);
    scrivi(d / "small.sim", dato(fs::path(cartella) / nomi.percorso_sim()));
    scrivi(d / "small_cells.dat", dato(fs::path(cartella) / nomi.celle_dat()));
    // The decompiler's seeds: route file, cells, and a small plan that is
    // not the line's (a whole one is 140 KB at least).
    const std::string coppia = dato(fs::path(cartella) / nomi.percorso_sim()) + "~~celle~~" +
                               dato(fs::path(cartella) / nomi.celle_dat());
    scrivi(d.parent_path() / "decompile" / "small.txt", coppia);
    scrivi(d.parent_path() / "decompile" / "small_with_plan.txt", coppia + "~~linea~~" + piano(40, 10, 12, 0.002));
  }
  fs::remove_all(cartella);
  scrivi(d / "points_0_to_3_linea.dat", piano(3, 0, 0, 0.0));
  scrivi(d / "right_curve_linea.dat", piano(40, 10, 12, 0.002));
  scrivi(d / "left_curve_linea.dat", piano(24, 4, 6, -0.003));
}

// Sessions for the language server: framed JSON-RPC messages that open,
// change and ask about a train and a line text, and damaged framing.
void sessioni(const fs::path& d) {
  using nlohmann::json;
  int id = 0;
  auto messaggio = [&](const std::string& method, json params, bool richiesta) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
    if (richiesta) m["id"] = ++id;
    const std::string corpo = m.dump();
    return "Content-Length: " + std::to_string(corpo.size()) + "\r\n\r\n" + corpo;
  };
  auto documento = [](const std::string& uri) { return json{{"textDocument", {{"uri", uri}}}}; };
  auto posizione = [&](const std::string& uri, int riga, int colonna) {
    json p = documento(uri);
    p["position"] = {{"line", riga}, {"character", colonna}};
    return p;
  };
  const std::string inizio =
      messaggio("initialize",
                {{"capabilities",
                  {{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}}}},
                true) +
      messaggio("initialized", json::object(), false);
  const std::string fine = messaggio("shutdown", nullptr, true) + messaggio("exit", nullptr, false);
  auto sessione = [&](const std::string& uri, const std::string& testo, const std::string& cambiato) {
    json intervallo = documento(uri);
    intervallo["range"] = {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 99}, {"character", 0}}}};
    // One message a statement: the operands of one `+` chain may be
    // evaluated in any order, and the request ids with them, so that the
    // files would depend on the compiler.
    std::string s = inizio;
    s += messaggio("textDocument/didOpen",
                   {{"textDocument", {{"uri", uri}, {"languageId", "plaintext"}, {"version", 1}, {"text", testo}}}},
                   false);
    s += messaggio("textDocument/hover", posizione(uri, 11, 10), true);
    s += messaggio("textDocument/hover", posizione(uri, 13, 70), true);
    s += messaggio("textDocument/inlayHint", intervallo, true);
    s += messaggio("textDocument/documentSymbol", documento(uri), true);
    s += messaggio("textDocument/completion", posizione(uri, 3, 0), true);
    s += messaggio("textDocument/didChange",
                   {{"textDocument", {{"uri", uri}, {"version", 2}}},
                    {"contentChanges", json::array({{{"text", cambiato}}})}},
                   false);
    s += messaggio("textDocument/didClose", documento(uri), false);
    return s + fine;
  };
  scrivi(d / "train.txt", sessione("file:///s/Seme_1-.txt", treno_piccolo,
                                   treno("segnale, 1650, 2,3,0, 0,0, 0, 0,0,0, 0\r\n"
                                         "segnale, 1650, 2,3,0, 0,0, 0, 0,0,0, 0\r\n")));
  scrivi(d / "line.txt", sessione("file:///s/Seme_linea.txt", linea_piccola, linea("pendenza, 1000, 3x\r\n")));
  scrivi(d / "damaged.txt", inizio + "Content-Length: 5x\r\n\r\n" + "Content-Length: 3\r\n\r\n[1]" +
                                "Content-Length: 9\r\n\r\n{not json" + fine);
  // Nested past the limit inside params and at the top, and just inside it.
  auto annidato = [](std::size_t livelli) {
    return std::string(livelli, '[') + std::string(livelli, ']');
  };
  const std::string profondo = annidato(14000);
  json vicino = json::array();
  for (int i = 0; i < 250; ++i) vicino = json::array({vicino});
  const std::string cambio_profondo =
      R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":)"
      R"({"uri":"file:///s/Seme_1-.txt","version":2},"contentChanges":)" +
      profondo + "}}";
  scrivi(d / "deep.txt", inizio +
                             messaggio("textDocument/didOpen",
                                       {{"textDocument", {{"uri", "file:///s/Seme_1-.txt"}, {"version", 1},
                                                          {"text", treno_piccolo}}}},
                                       false) +
                             "Content-Length: " + std::to_string(cambio_profondo.size()) + "\r\n\r\n" +
                             cambio_profondo + "Content-Length: " + std::to_string(profondo.size()) +
                             "\r\n\r\n" + profondo + messaggio("$/setTrace", {{"value", vicino}}, false) +
                             fine);
  // A large document: one mistake on every row, characters Windows-1252
  // lacks, commas, and a long line, as far as the input length allows.
  std::string grande = "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n";
  for (int i = 0; i < 400; ++i) grande += "pendnza, 100, 3\r\n";
  for (int i = 0; i < 300; ++i) grande += "\u03b1\u03b2\u03b3 \U0001F600\r\n";
  grande += std::string(4000, ',') + "\r\n" + std::string(12000, 'x') + "\r\n[fine]\r\n";
  scrivi(d / "huge.txt", sessione("file:///s/Seme_linea.txt", grande, grande + "pendnza, 1, 1\r\n"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_seed_corpora DIR\n", stderr);
    return 64;
  }
  try {
    const fs::path dir = argv[1];
    campi(dir / "field_reader");
    linee(dir / "line_reader");
    compilazioni(dir / "compile");
    file_compilati(dir / "dump");
    sessioni(dir / "lsp");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_seed_corpora: %s\n", e.what());
    return 1;
  }
  return 0;
}
