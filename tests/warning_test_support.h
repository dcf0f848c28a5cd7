// The shared fixture of the warning tests: two texts compiled with each
// diagnostic's line and column, a station row to build timetables from, and
// a table of cases where each warning's text has a sound twin that must
// compile quietly. (Apart from test_support.*: the benchmarks link that
// one, and they have neither GoogleTest nor the compiler.)
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "compiled_in_memory.h"
#include "scenario_fixture.h"

namespace testing_support {

// Compiled in memory with the plan, each diagnostic pinned to its line and
// column.
Compiled compile_placed(const std::string& line_text, const std::string& train_text);

// The message of the first diagnostic of `code`, or "(no CODE)".
std::string message_of(const Compiled& c, std::string_view code);

// A station row at `position` with the time "h, min, s", its name and length.
std::string station_row(int position, const std::string& time, const std::string& name = "VALDORA",
                        int length = 700);

// The eleven values after a signal's position, as a row's tail.
inline const std::string signal_tail = ", 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n";

// The speed and adhesion steps of a train to run (stations apart): a train
// text with a header row and without them is warned about.
inline const std::string speed_and_adhesion = "velocita, 0, 150\r\naderenza, 0, 95\r\n";

// A line of 30,000 m with nothing on it, and a train text with no rows.
inline const std::string bare_line = line_with("", 30000);
inline const std::string empty_train = train_with("");

// A text that gives one warning, and its sound twin that gives none.
struct WarningCase {
  const char* name;
  std::string line_text, train_text;
  Seen want;
  std::string quiet_line_text, quiet_train_text;
};

void PrintTo(const WarningCase& c, std::ostream* os);

// The test's name in the list: the case's name.
std::string case_name(const testing::TestParamInfo<WarningCase>& info);

// Instantiated by each family of warnings with its own table:
// INSTANTIATE_TEST_SUITE_P(Family, WarningTwins, testing::Values(...), case_name).
class WarningTwins : public testing::TestWithParam<WarningCase> {};

}  // namespace testing_support
