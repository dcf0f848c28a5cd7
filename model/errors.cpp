#include "model/errors.h"

#include <array>

namespace scenario {
namespace {

using E = ScenarioError;

constexpr std::array<ErrorEntry, 28> tabella{{
    {E::route_too_long, false, "route length greater than 1000000 m",
     "shorten the line: the route length may be at most 1000000"},
    {E::progressive_not_multiple_of_50, false, "a kilometric progressive position or value is not a multiple of 50",
     "write the position and the progressive of every progressiva record as multiples of 50"},
    {E::repetition_start_not_multiple_of_50, false, "signal repetition start is not a multiple of 50",
     "write the first value of the ripetizione segnali record as a multiple of 50"},
    {E::repetition_end_not_multiple_of_50, false, "signal repetition end is not a multiple of 50",
     "write the second value of the ripetizione segnali record as a multiple of 50"},
    {E::repetition_without_code_count, false, "signal repetition keyword names neither 4 nor 9 codes",
     "put the digit 4 or 9 into the ripetizione segnali keyword"},
    {E::text_board_cell_taken, true, "text board on a cell that is already in use",
     "move the board to a position whose 50 m cell holds no other feature"},
    {E::abbattimento_cell_taken, true, "abbattimento point on a cell that is already in use",
     "move the point to a position whose 50 m cell holds no other feature"},
    {E::station_position_not_multiple_of_50, true, "station position is not a multiple of 50", "write the position as a multiple of 50"},
    {E::station_length_not_multiple_of_100, true, "station length is not a multiple of 100", "write the length as a multiple of 100"},
    {E::station_table_full, false, "station table full: the stations reach the text boards",
     "use fewer stations or text boards (together at most 78)"},
    {E::no_cell_before_signal, true, "no free cell for the point before a signal ahead of a slowdown warning board",
     "move the signal or the slowdown so that a cell before the signal is free"},
    {E::no_cell_in_window, true, "no free cell in a window before a slowdown start",
     "move the slowdown or the features in the cells 5 to 20 before its start"},
    {E::no_cell_in_slowdown, true, "no free cell for a point inside a slow slowdown or before the next signal",
     "move the features inside the slowdown or just before the signal after it"},
    {E::beyond_the_track, true, "position too near to or beyond the end of the track",
     "the row's position must lie well within the route length"},
    {E::signal_cell_taken, true, "signal on a cell that is already in use",
     "move the signal to a position whose 50 m cell holds no other feature"},
    {E::warning_cell_taken, true, "slowdown warning cell (1200 m before the start) is already in use",
     "move the slowdown or the feature on its warning cell"},
    {E::slowdown_start_cell_taken, true, "slowdown start cell is already in use",
     "move the slowdown or the feature on its start cell"},
    {E::slowdown_end_cell_taken, true, "slowdown end cell is already in use",
     "move the slowdown or change its length"},
    {E::approach_cells_taken, true, "slowdown approach cells are already in use",
     "move the slowdown or the features on the four cells before its warning board"},
    {E::speed_board_cell_taken, true, "speed board on a cell that is already in use",
     "move the board to a position whose 50 m cell holds no other feature"},
    {E::stations_too_close, true, "station zone starts less than 350 m after the previous station's zone ends",
     "move the stations apart or shorten them"},
    {E::stop_cell_not_beyond_cell_1, false, "station stop cell would not lie beyond cell 1",
     "move the station further from the start of the line"},
    {E::unreadable, false, "the description could not be read",
     "check the record named in the message: a missing or malformed value"},
    {E::line_text_missing, false, "line description file missing", "write the line description file"},
    {E::no_general_section, false, "line description without [generale]",
     "begin the line description with the [generale] section"},
    {E::curve_without_class, false, "curve without class digit, or the line plan beyond 1000000 m",
     "give every curve keyword a class digit 1 to 6 and keep curves within the line"},
    {E::format_mark_set, false,
     "a feature in the first 50 m of the line (track cell 1) takes the place where the format mark goes",
     "move the feature further along the line: the first 50 m (track cell 1) must stay empty"},
    {E::competition_code_set, false,
     "a feature in the first 50 m of the line (track cell 1) takes the place where the competition code goes",
     "move the feature further along the line: the first 50 m (track cell 1) must stay empty"},
}};

}  // namespace

const ErrorEntry* find_error(std::int32_t numero) {
  for (const ErrorEntry& v : tabella)
    if (scenario::numero(v.number) == numero) return &v;
  return nullptr;
}

const ErrorEntry& find_error(ScenarioError e) {
  for (const ErrorEntry& v : tabella)
    if (v.number == e) return v;
  // Every enumerator has its row; a test walks them all.
  return tabella.front();
}

std::string_view explain_error(std::int32_t numero) {
  if (numero == 0) return "no error";
  const ErrorEntry* v = find_error(numero);
  return v ? v->text : "unknown error";
}

std::string error_summary(std::int32_t numero, std::int32_t posizione) {
  std::string riga = "error " + std::to_string(numero);
  const ErrorEntry* v = find_error(numero);
  if (v && v->has_position) riga += " at " + std::to_string(posizione) + " m";
  return riga + ": " + std::string(explain_error(numero));
}

}  // namespace scenario
