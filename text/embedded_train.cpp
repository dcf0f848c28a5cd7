// The description of train 254 over the Belvara_Quintosa line as it is handed
// to the train reader: train data, clock, adhesion and speed-limit steps,
// stations and signals.
#include "text/scenario_texts.h"

#include "platform/platform.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

// The clock row keeps its numbers apart by blanks only and ends with a blank;
// signal rows keep fixed column widths so they line up for a reader's eye.
constexpr std::string_view righe[] = {
    "[generale]",
    "numero vetture,    16",
    "percentuale massa frenata,    125",
    "sabbia,    300",
    "orologio,    13              56            15 ",
    "[aderenze]",
    "aderenza,   0,    100",
    "aderenza,     950,    95",
    "aderenza,    3450,   100",
    "aderenza,   34650,    90",
    "aderenza,   35200,   100",
    "aderenza,   48700,    96",
    "aderenza,   68300,   100",
    "[vel_limite]",
    "velocita,       0,   135",
    "velocita,    3000,   150",
    "velocita,   16700,   140",
    "velocita,   19800,   150",
    "velocita,   49700,   140",
    "velocita,   58250,   150",
    "velocita,   70450,   140",
    "velocita,   73500,   105",
    "velocita,   76300,    85",
    "velocita,   81650,    30",
    "[stazioni]",
    "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,  13,57, 0, VALDORA",
    "stazione,    3000, 11,  200,  0, 0, 1,  1,1,0,  4,1,1,  220,   0, 0, 0, BIVIO CERSA",
    "stazione,   11150, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, CASTELVERDO DURV.",
    "stazione,   16900, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, TORBIO",
    "stazione,   23050, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, FONTAS",
    "stazione,   29800, 22,  600,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, PIANZE",
    "stazione,   36750, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, VERSIO",
    "stazione,   40700, 22,  600,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, LOVEDRO-CORTINO",
    "stazione,   45650, 22,  500,  0, 0, 1,  0,0,0,  4,1,1,  110,   0, 0, 0, CAMPOLEVO",
    "stazione,   49650, 12,  600,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, ASTRIGLIO",
    "stazione,   51150, 11,  200,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, BIVIO SOLMERA",
    "stazione,   55650, 22,  600,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, TESSANO D'ELMA",
    "stazione,   58250, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    1,   0, 0, 0, QUERCELA",
    "stazione,   63050, 22,  600,  0, 0, 1,  0,0,0,  4,1,1,    0,   0, 0, 0, DORZO",
    "stazione,   66800, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    1,   0, 0, 0, SORNATE",
    "stazione,   70400, 12,  600,  0, 1, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, FIORTELLO SPINEO",
    "stazione,   78650,  4,  700,  1, 1, 0,  4,1,1,  2,1,1,    0,   0, 0, 0, VEDONA ZEMBRATA",
    "stazione,   81750, 25,  200,  0, 0, 0,  0,0,0,  0,0,0,    1,   0, 0, 0, VEDONA C.LE",
    "stazione,   83000,  5,  800,  0, 1, 0,  1,1,0,  2,1,1,    0,  14,45, 0, VEDONA CENTRALE",
    "[rallentamenti]",
    "[segnali]",
    "segnale,    1650,   2, 3, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0, 220",
    "segnale,    5600,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    7150,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    8600,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   10050,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   12900,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   14250,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   15700,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
    "segnale,   18700,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   20300,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   22000,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   24700,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   26200,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   27650,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   28750,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   31400,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   32800,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   34400,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   35650,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   38300,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   39650,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   42400,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   43750,   2, 5, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   44850,   2, 3, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   47250,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   48400,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
    "segnale,   52000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   53300,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   54650,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   57300,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   58900,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   60500,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   61950,   2, 4, 0,  0, 0,    2,  2,0,0, 0",
    "segnale,   64650,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   66350,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   68000,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   69350,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
    "segnale,   72100,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   73500,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   74900,   2, 3, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   76300,   2, 5, 6,  0, 0,    0,  0,0,0, 160",
    "segnale,   77500,   2, 2, 4,  1, 1,    2,  2,1,1, 0",
    "segnale,   80450,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
    "segnale,   81600,   2, 2, 3,  1, 0,    2,  2,1,1, 245",
    "[codici]",
    "[fine]",
    end_of_lines,
};

}  // namespace

std::span<const std::string_view> righe_treno() { return righe; }

void dati_treno(const std::string& cartella, const FileNames& nomi) {
  write_lines(platform::join_path(cartella, nomi.treno_txt()), righe_treno());
}

}  // namespace scenario
