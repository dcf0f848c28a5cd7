// The working timetable card of train 254 for the simulator's user, a fixed
// drawing of "_" and "|"; nothing on it is computed and nobody reads it back.
#include "text/scenario_texts.h"

#include "platform/platform.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

// Trailing blanks are part of the drawing and must not be trimmed.
constexpr std::string_view righe[] = {
    "",
    " ",
    "  ___________________                                                ______________",
    " |                   |                  SCHEDA                      |              |",
    " |   TRENO n. 254    |                da: VALDORA                   |    V160 B    |",
    " |___________________|                 a: VEDONA C.le               |     120%     |",
    "                                                                    |______________|",
    "  ___________________                ___________________ ",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |     INTERCITY     |              |      800T         |",
    " |___________________|              |___________________|  ",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km | No  |  Localita' di Servizio     |    Orario      | Rec |",
    " | Lim.|Marc.|          | Rs  |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    " | 135 | 130 |   82.840 | 125 | VALDORA                    |          13.57 |     |",
    " | 150 |     |   80.470 | 140 | Bivio Cersa                |      14.01     |     |",
    " |     |     |   71.650 |     | CASTELVERDO D.             |      14.04     |     |",
    " | 140 | 140 |   65.820 | 130 | TORBIO                     |      14.07     |     |",
    " | 150 | 150 |   63.000 | 140 | Cippo chilometro 63.000    |      14.09     |     |",
    " |     |     |   59.770 |     | FONTAS                     |      14.10     |     |",
    " |     |     |   53.010 |     | PIANZE                     |      14.13     | 0.5 |",
    " |     |     |   46.050 |     | VERSIO                     |      14.16     |     | ",
    " |     |     |   42.110 |     | LOVEDRO-C.                 |      14.18     |     |",
    " |     |     |   37.140 |     | CAMPOLEVO                  |      14.20     |     |",
    " | 140 | 140 |   33.140 | 130 | ASTRIGLIO                  |      14.22     | 0.5 |",
    " |     |     |   31.680 |     | Bivio Solmera              |      14.23     |     |",
    " |     |     |   27.150 |     | TESSANO D'ELMA             |      14.25     |     |",
    " | 150 |     |   24.580 | 140 | Quercela                   |      14.26     |     |",
    " |     |     |   19.740 |     | DORZO                      |      14.28     |     |",
    " |     |     |   16.050 |     | Sornate                    |      14.30     | 0.5 |",
    " | 140 |     |   12.400 | 130 | FIORTELLO S.               |      14.32     | 0.5 | ",
    " | 105 | 105 |    9.330 | 105 | PBA-P106                   |      14.34     |     |",
    " |  85 |  85 |    6.520 |  85 | PBA-P102                   |      14.36     |     | ",
    " |     |  55 |    3.830 |     | Deviatoio di ingresso      |      14.38     |     |",
    " |     |     |    3.810 |     | VE.ZEMBRATA                |      14.38     | 1   |",
    " |     |  85 |    3.730 |     | Deviatoio di uscita        |      14.39     |     |",
    " |  30 |  30 |    1.250 |  30 | Seg. protezione Vedona C.le|      14.42     |     |",
    " |     |     |    0.000 |     | VEDONA C.LE                | 14.45          | 2   | ",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    end_of_lines,
};

}  // namespace

std::span<const std::string_view> righe_scheda() { return righe; }

void dati_scheda(const std::string& cartella, const FileNames& nomi) {
  write_lines(platform::join_path(cartella, nomi.scheda()), righe_scheda());
}

}  // namespace scenario
