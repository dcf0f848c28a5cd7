#include "large_scenario.h"

namespace testing_support {
namespace {

std::string n(long v) { return std::to_string(v); }

}  // namespace

LargeScenario large_scenario() {
  LargeScenario s;
  std::string& l = s.linea;
  l = "[generale]\r\nlunghezza percorso, 1000000\r\n"
      "progressiva chilometrica uno, 0, 1000000, 0\r\n"
      "progressiva chilometrica due, 500000, 500000, 1\r\n"
      "progressiva chilometrica tre, 0, 0, 0\r\n"
      "sfondo uno, 33000\r\nsfondo due, 1\r\nsfondo tre, 0\r\n"
      "ripetizione segnali 9 codici, 0, 900000\r\n[curve]\r\n";
  // Curves back to back from the first metre to 999,000 m: every point of
  // the plan but the last thousand metres is a curve point.
  for (long c = 0; c < 999; ++c) {
    static const char* curve_keywords[] = {"curvad1", "curvas2", "curvad3", "curvas4", "curvad5", "curvas6"};
    l += std::string(curve_keywords[c % 6]) + ", " + n(c * 1000) + ", 1000\r\n";
  }
  l += "[pendenze]\r\n";
  for (long p = 1000; p < 1000000; p += 1000) l += "pendenza, " + n(p) + ", " + n(p / 1000 % 30 - 15) + "\r\n";
  l += "[montagne]\r\n";
  // The feature grid: one block of 5000 m per k, from 2000 m on.
  for (long k = 0; k < 80; ++k) {
    const long b = 2000 + 5000 * k;
    l += "montagna, " + n(b + 600) + ", " + n(b + 1000) + ", " + n(k % 2 ? 12 : 4) + "\r\n";
  }
  l += "[cartelli]\r\n";
  for (long k = 0; k < 199; ++k)
    l += "indicatori_vmax, " + n(2000 + 5000 * k + 500) + ", 100, 110, 120, 1, 50, 55, 60, 2\r\n";
  s.boards = 8;
  for (long k = 0; k < s.boards; ++k) l += "cartello indicatore, " + n(2000 + 5000 * k + 4500) + ", BOARD " + n(k) + "\r\n";
  l += "[fine]\r\n";

  std::string& t = s.treno;
  t = "[generale]\r\nnumero vetture, 16\r\npercentuale massa frenata, 125\r\nsabbia, 300\r\n"
      "orologio, 13 56 15\r\n[aderenze]\r\n";
  for (long p = 0; p < 1000000; p += 10000) t += "aderenza, " + n(p) + ", " + n(90 + p / 10000 % 11) + "\r\n";
  t += "[vel_limite]\r\n";
  for (long p = 0; p < 1000000; p += 10000) t += "velocita, " + n(p) + ", " + n(100 + p / 10000 % 5 * 10) + "\r\n";
  t += "[stazioni]\r\n";
  s.stations = 78 - s.boards;  // the route table's limit with these boards
  for (long k = 0; k < s.stations; ++k) {
    const long b = 2000 + 5000 * k;
    // Four minutes for each 5000 m, which the limits of 100 km/h and more
    // and the slowdowns keep: the times grow from 14:00 to 18:36.
    t += "stazione, " + n(b + 4000) + ", " + n(k % 3 == 0 ? 25 : 12) + ", 200, 0, 1, 0, 1,1,0, 4,1,1, 1, " +
         n(14 + 4 * k / 60) + "," + n(4 * k % 60) + ",0, STAZIONE " + n(k) + "\r\n";
  }
  t += "[segnali]\r\n";
  // Slowdowns to 60 and 90 km/h: below every limit they lie under.
  for (long k = 0; k < 199; ++k) {
    const long b = 2000 + 5000 * k;
    t += "segnale, " + n(b) + ", 2, 4, 1, 0, 0, 2, 2, 1, 0, " + n(k % 3 * 100) + "\r\n";
    ++s.signals;
    t += "rallentamento, " + n(b + 2500) + ", " + n(k % 2 ? 60 : 90) + ", 300, 1, 1, " + n(k % 4) + "\r\n";
    t += "abbattimento, " + n(b + 3500) + ", " + n(k % 3 - 1) + "\r\n";
  }
  t += "[fine]\r\n";
  return s;
}

}  // namespace testing_support
