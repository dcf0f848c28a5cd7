// A new scenario to start from. Every record appears once (the train has
// two stations: where it starts and where it ends), so that the author sees
// each record written out with the values it takes; a comment is any
// keyword field holding a hyphen, so each comment line starts with "- " and
// holds no comma.
#include "text/new_scenario.h"

#include <string_view>

#include "text/scenario_texts.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

constexpr std::string_view line_text[] = {
    "[generale]",
    "- lunghezza percorso: the length of the line in metres",
    "lunghezza percorso,    10000",
    "- progressiva chilometrica: where the kilometre marks read a given value: position along "
    "the line and what the marks read there (metres) and 1 to add 100 m; write all three and "
    "0 0 0 for one not in use",
    "progressiva chilometrica uno,    0,    0,    0",
    "progressiva chilometrica due,    0,    0,    0",
    "progressiva chilometrica tre,    0,    0,    0",
    "- sfondo: three background values the simulator takes unchanged",
    "sfondo uno,    0",
    "sfondo due,    1",
    "sfondo tre,    0",
    "- ripetizione segnali: signal repetition with 4 or 9 codes (the digit in the keyword) from "
    "start to end (metres); an end of 0 means none",
    "ripetizione segnali 4 codici,    0,    8000",
    "[curve]",
    "- curva: a curve from its start over its length (metres); d turns right and s left; the "
    "digit is its class 1 to 6 (radius 10000 5000 2500 1000 500 333 m)",
    "curvad3,  2000,  500",
    "[pendenze]",
    "- pendenza: from this position on (metres) the gradient in per mille (-100 to 155) up to "
    "the next gradient row",
    "pendenza,  1000,   3",
    "[montagne]",
    "- montagna: a mountain span from start to end (metres) and its type; above 10 the type "
    "less 10 with markers",
    "montagna,  4000,  5000,  1",
    "[cartelli]",
    "- indicatori_vmax: a maximum-speed board at a position: speeds a b c and stripes of one "
    "set then of the other set (empty reads 0)",
    "indicatori_vmax,  900,  100,  110,  120,  0,  ,  ,  ,  0",
    "[indicazioni]",
    "- cartello indicatore: a board at a position (metres) that shows a text",
    "cartello indicatore,  6000,  PONTE",
    "[fine]",
    end_of_lines,
};

constexpr std::string_view train_text[] = {
    "[generale]",
    "- numero vetture: the number of cars",
    "numero vetture,    8",
    "- percentuale massa frenata: the braked-mass percentage",
    "percentuale massa frenata,    120",
    "- sabbia: the sand the train carries",
    "sabbia,    300",
    "- orologio: the clock at the start: hours minutes seconds",
    "orologio,    8 30 0",
    "[aderenze]",
    "- aderenza: from this position on (metres) the adhesion up to the next adhesion row",
    "aderenza,       0,   100",
    "[vel_limite]",
    "- velocita: from this position on (metres) the speed limit in km/h up to the next row",
    "velocita,       0,   100",
    "[stazioni]",
    "- stazione: position (a multiple of 50) and type and length (a multiple of 100); ten "
    "values for the simulator; the time h m s; the name",
    "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   8,30, 0, PARTENZA",
    "stazione,    9000,  5,  800,  0, 1, 0,  1,1,0,  2,1,1,    0,   8,40, 0, ARRIVO",
    "[rallentamenti]",
    "- rallentamento: a slowdown from x over l metres with value v (its warning board stands "
    "1200 m before it) and f_tt f_ta d_v",
    "rallentamento,    5000,   60,   300,  0, 1, 0",
    "[segnali]",
    "- segnale: a signal at a position: sx s1 s2 s3 rapp dx d1 d2 d3 tempo",
    "segnale,    3000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "- abbattimento: an abbattimento point at a position (metres) with its value",
    "abbattimento,    7000,   1",
    "[codici]",
    "[fine]",
    end_of_lines,
};

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

// A cell of the card: `text` after one blank, padded to `width`; a longer
// text is kept whole rather than cut.
std::string cell(std::string_view text, std::size_t width) {
  std::string out(1, ' ');
  out += text;
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

// The card keeps the embedded card's timetable heading and closing rule,
// with the train's two stations as its rows.
std::string timetable_card(const FileNames& stored) {
  const std::span<const std::string_view> embedded = righe_scheda();
  std::vector<std::string> lines = {
      "",
      " TRENO n. " + stored.numero_treno + " (" + stored.nome_scenario + ")",
      "   SCHEDA  da: PARTENZA",
      "            a: ARRIVO",
      "",
  };
  for (std::size_t i = 12; i < 16; ++i) lines.emplace_back(embedded[i]);
  lines.push_back(" | 100 |     |    0.000 |     |" + cell("PARTENZA", 28) + "|           8.30 |     |");
  lines.push_back(" |     |     |    9.000 |     |" + cell("ARRIVO", 28) + "| 8.40           |     |");
  lines.emplace_back(embedded[40]);
  return joined(lines);
}

std::string notes(const FileNames& stored) {
  return joined({
      "Note sul treno " + stored.numero_treno + " dello scenario " + stored.nome_scenario +
          ": scrivete qui cosa deve sapere chi lo guida (la locomotiva, la linea, i segnali).",
      "Questo foglio \xE8 testo Windows-1252 con righe CR LF, come le descrizioni.",
      "",
      "L'autore dello scenario",
  });
}

std::string slowdowns() {
  return joined({
      "",
      "",
      "",
      "",
      "                         RALLENTAMENTI",
      " dal km 5.000 al km 5.300: scrivete qui la prescrizione",
  });
}

}  // namespace

std::vector<NewText> new_scenario_texts(const FileNames& files, const FileNames& stored) {
  return {
      {files.linea_txt(), joined_lines(line_text)},
      {files.treno_txt(), joined_lines(train_text)},
      {files.note(), notes(stored)},
      {files.rallentamenti(), slowdowns()},
      {files.scheda(), timetable_card(stored)},
  };
}

}  // namespace scenario
