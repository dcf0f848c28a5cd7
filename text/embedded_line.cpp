// The description of the Belvara_Quintosa line (85 km) as it is handed to the
// line reader: general settings, curves, gradients and maximum-speed boards.
#include "text/scenario_texts.h"

#include "platform/platform.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

// Curves and gradients stand in increasing position order, which the reader
// relies on. Empty speed-board fields are written as nothing between commas.
constexpr std::string_view righe[] = {
    "[generale]",
    "lunghezza percorso,    85000",
    "progressiva chilometrica uno,    0,    82800,    1",
    "progressiva chilometrica due,    0,    0,    0",
    "progressiva chilometrica tre,    0,    0,    0",
    "sfondo uno,    33000",
    "sfondo due,    1",
    "sfondo tre,    0",
    "ripetizione segnali 4 codici,    0,    76800",
    "[curve]",
    "curvad3,  800,  450",
    "curvas2,  1300,  350",
    "curvad6,  1900,  300",
    "curvas6,  2250,  300",
    "curvas3,  3750,  400",
    "curvad2,  4250,  2500",
    "curvas2,  10500,  2000",
    "curvas2,  15150,  500",
    "curvad2,  16800,  500",
    "curvad3,  20000,  450",
    "curvad3,  22500,  300",
    "curvas3,  22800,  300",
    "curvas4,  25400,  450",
    "curvas2,  28300,  400",
    "curvas1,  30000,  500",
    "curvad2,  30550,  300",
    "curvad2,  32500,  600",
    "curvad2,  36000,  600",
    "curvas1,  36700,  7300",
    "curvad4,  46000,  300",
    "curvas1,  47100,  4300",
    "curvas1,  54050,  1300",
    "curvad1,  57800,  1300",
    "curvas1,  62300,  400",
    "curvad3,  65100,  650",
    "curvas2,  66250,  2400",
    "curvad2,  71550,  1050",
    "curvad5,  76900,  900",
    "curvas4,  79600,  400",
    "curvas4,  80800,  600",
    "curvas5,  81550,  650",
    "[pendenze]",
    "pendenza,  1000,   3",
    "pendenza,  7100,   4",
    "pendenza,  11100,   3",
    "pendenza,  16900,   0",
    "pendenza,  29700,   -1",
    "pendenza,  32700,   0",
    "pendenza,  36650,   -3",
    "pendenza,  40600,   -2",
    "pendenza,  49550,   0",
    "pendenza,  51000,   -3",
    "pendenza,  59550,   -2",
    "pendenza,  68100,   0",
    "pendenza,  72650,   9",
    "pendenza,  78900,   0",
    "pendenza,  80100,   4",
    "pendenza,  81000,   0",
    "[montagne]",
    "[cartelli]",
    "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0",
    "indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0",
    "indicatori_vmax,  15500,  130,  140,  140,  0,  130,  140,  140,  0",
    "indicatori_vmax,  19750,  140,  150,  160,  0,  140,  150,  160,  0",
    "indicatori_vmax,  48500,  140,  140,  160,  0,  ,  ,  ,  0",
    "indicatori_vmax,  52550,  140,  140,  150,  0,  140,  140,  150,  0",
    "indicatori_vmax,  58150,  140,  150,  150,  0,  140,  150,  150,  0",
    "indicatori_vmax,  69150,  130,  140,  140,  0,  ,  ,  ,  0",
    "indicatori_vmax,  72000,  100,  105,  105,  2,  ,  ,  ,  0",
    "indicatori_vmax,  72500,  100,  105,  105,  1,  ,  ,  ,  0",
    "indicatori_vmax,  73000,  100,  105,  105,  0,  ,  ,  ,  0",
    "indicatori_vmax,  75100,  85,  85,  85,  0,  ,  ,  ,  0",
    "indicatori_vmax,  80600,  30,  30,  30,  0,  30,  30,  30,  0",
    "[indicazioni]",
    "[fine]",
    end_of_lines,
};

}  // namespace

std::span<const std::string_view> righe_linea() { return righe; }

void dati_linea(const std::string& cartella, const FileNames& nomi) {
  write_lines(platform::join_path(cartella, nomi.linea_txt()), righe_linea());
}

}  // namespace scenario
