#include "model/errors.h"

#include <array>

namespace scenario {
namespace {

constexpr std::array<VoceErrore, 29> tabella{{
    {1, false, "route length greater than 1000000 m",
     "shorten the line: the route length may be at most 1000000"},
    {2, false, "a kilometric progressive position or value is not a multiple of 50",
     "write the position and the progressive of every progressiva record as multiples of 50"},
    {3, false, "signal repetition start is not a multiple of 50",
     "write the first value of the ripetizione segnali record as a multiple of 50"},
    {4, false, "signal repetition end is not a multiple of 50",
     "write the second value of the ripetizione segnali record as a multiple of 50"},
    {5, false, "signal repetition keyword names neither 4 nor 9 codes",
     "put the digit 4 or 9 into the ripetizione segnali keyword"},
    {6, true, "text board on a cell that is already in use",
     "move the board to a position whose 50 m cell holds no other feature"},
    {7, true, "abbattimento point on a cell that is already in use",
     "move the point to a position whose 50 m cell holds no other feature"},
    {8, true, "station position is not a multiple of 50", "write the position as a multiple of 50"},
    {9, true, "station length is not a multiple of 100", "write the length as a multiple of 100"},
    {10, false, "station table full: the stations reach the text boards",
     "use fewer stations or text boards (together at most 78)"},
    {11, true, "no free cell for the point before a signal ahead of a slowdown warning board",
     "move the signal or the slowdown so that a cell before the signal is free"},
    {12, true, "no free cell in a window before a slowdown start",
     "move the slowdown or the features in the cells 5 to 20 before its start"},
    {13, true, "no free cell for a point inside a slow slowdown or before the next signal",
     "move the features inside the slowdown or just before the signal after it"},
    {15, true, "position too near to or beyond the end of the track",
     "the row's position must lie well within the route length"},
    {16, true, "signal on a cell that is already in use",
     "move the signal to a position whose 50 m cell holds no other feature"},
    {17, true, "slowdown warning cell (1200 m before the start) is already in use",
     "move the slowdown or the feature on its warning cell"},
    {18, true, "slowdown start cell is already in use",
     "move the slowdown or the feature on its start cell"},
    {19, true, "slowdown end cell is already in use",
     "move the slowdown or change its length"},
    {20, true, "slowdown approach cells are already in use",
     "move the slowdown or the features on the four cells before its warning board"},
    {21, true, "speed board on a cell that is already in use",
     "move the board to a position whose 50 m cell holds no other feature"},
    {22, true, "station zone starts less than 350 m after the previous station's zone ends",
     "move the stations apart or shorten them"},
    {24, false, "station stop cell would not lie beyond cell 1",
     "move the station further from the start of the line"},
    {25, false, "the description could not be read",
     "check the record named in the message: a missing or malformed value"},
    {101, false, "line description file missing", "write the line description file"},
    {102, false, "line description without [generale]",
     "begin the line description with the [generale] section"},
    {103, false, "curve without class digit, or the line plan beyond 1000000 m",
     "give every curve keyword a class digit 1 to 6 and keep curves within the line"},
    {1250, false, "a format-mark header slot is already set",
     "keep features out of track cell 1 (the first 50 m of the line)"},
    {1251, false, "a competition-code header slot is already set",
     "keep features out of track cell 1 (the first 50 m of the line)"},
    {0, false, "no error", ""},
}};

}  // namespace

const VoceErrore* cerca_errore(std::int32_t numero) {
  for (const VoceErrore& v : tabella)
    if (v.numero == numero) return &v;
  return nullptr;
}

std::string_view spiegazione(std::int32_t numero) {
  const VoceErrore* v = cerca_errore(numero);
  return v ? v->testo : "unknown error";
}

std::string riepilogo(std::int32_t numero, std::int32_t posizione) {
  std::string riga = "error " + std::to_string(numero);
  const VoceErrore* v = cerca_errore(numero);
  if (v && v->con_posizione) riga += " at " + std::to_string(posizione) + " m";
  return riga + ": " + std::string(spiegazione(numero));
}

}  // namespace scenario
