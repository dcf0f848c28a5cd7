// The scenario error numbers and their explanations, in one table that every
// front end uses. Recorded errors live in the model (numero_errore,
// posizione_errore); the two fatal header errors travel as FatalError to
// the front end, which shows them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace scenario {

// The numbers are data: the model's error state holds them, authors and
// scripts look them up, the docs list them. Never renumber; a new error
// takes a new number and a row in the table of errors.cpp.
enum class ScenarioError : std::int32_t {
  route_too_long = 1,
  progressive_not_multiple_of_50 = 2,
  repetition_start_not_multiple_of_50 = 3,
  repetition_end_not_multiple_of_50 = 4,
  repetition_without_code_count = 5,
  text_board_cell_taken = 6,
  abbattimento_cell_taken = 7,
  station_position_not_multiple_of_50 = 8,
  station_length_not_multiple_of_100 = 9,
  station_table_full = 10,
  no_cell_before_signal = 11,
  no_cell_in_window = 12,
  no_cell_in_slowdown = 13,
  beyond_the_track = 15,
  signal_cell_taken = 16,
  warning_cell_taken = 17,
  slowdown_start_cell_taken = 18,
  slowdown_end_cell_taken = 19,
  approach_cells_taken = 20,
  speed_board_cell_taken = 21,
  stations_too_close = 22,
  stop_cell_not_beyond_cell_1 = 24,
  unreadable = 25,
  line_text_missing = 101,
  no_general_section = 102,
  curve_without_class = 103,
  format_mark_set = 1250,
  competition_code_set = 1251,
};

constexpr std::int32_t numero(ScenarioError e) { return static_cast<std::int32_t>(e); }

inline constexpr std::int32_t errore_formato = numero(ScenarioError::format_mark_set);
inline constexpr std::int32_t errore_codice = numero(ScenarioError::competition_code_set);

class FatalError : public std::exception {
 public:
  explicit FatalError(ScenarioError e) : numero_(scenario::numero(e)) {}
  std::int32_t numero() const { return numero_; }
  const char* what() const noexcept override { return "fatal scenario error"; }

 private:
  std::int32_t numero_;
};

struct ErrorEntry {
  ScenarioError numero;
  bool has_position;        // posizione_errore goes with it
  std::string_view testo;    // short English explanation
  std::string_view remedy;  // what an author can do about it
};

// The entry for a number, or nullptr for a number that is not used.
const ErrorEntry* find_error(std::int32_t numero);
const ErrorEntry& find_error(ScenarioError e);

// The explanation, or "unknown error" for a number that is not used.
std::string_view explain_error(std::int32_t numero);

// One line for a recorded error state: "error 12 at 2500 m: no free cell in
// a window before a slowdown start" (the position only where one goes with
// the number).
std::string error_summary(std::int32_t numero, std::int32_t posizione);

}  // namespace scenario
