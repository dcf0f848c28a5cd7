// Values that fit their fields but make no sense where they stand: each
// case names its warning's code and place (line and column), and its sound
// twin compiles quietly. Then the timetable's least time, worked out by hand
// to the second.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/row_scan.h"
#include "compiler/timetable.h"
#include "warning_test_support.h"

namespace {

using namespace scenario;
using namespace testing_support;

const std::string long_line = line_with("", 60000);
const std::string header =
    "numero vetture, 16\r\npercentuale massa frenata, 125\r\nsabbia, 300\r\norologio, 13 56 15\r\n";

INSTANTIATE_TEST_SUITE_P(
    Plausibility, WarningTwins,
    testing::Values(
        // Lengths: the value itself.
        WarningCase{"a_slowdown_of_length_0", bare_line, train_with("rallentamento, 20000, 60, 0, 0, 0, 0\r\n"),
             {"non-positive-length", 't', 2, 27}, bare_line,
             train_with("rallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        WarningCase{"a_slowdown_of_negative_length", bare_line,
             train_with("rallentamento, 20000, 60, -500, 0, 0, 0\r\n"),
             {"non-positive-length", 't', 2, 27}, bare_line,
             train_with("rallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        WarningCase{"a_curve_of_length_0", line_with("curvad3, 800, 0\r\n", 30000), empty_train,
             {"non-positive-length", 'l', 4, 15}, line_with("curvad3, 800, 450\r\n", 30000), empty_train},
        WarningCase{"a_station_of_length_0", bare_line, train_with(station_row(2000, "13,57, 0", "VALDORA", 0)),
             {"non-positive-length", 't', 2, 20}, bare_line, train_with(station_row(2000, "13,57, 0"))},
        // Positions: kilometres for metres inside the first station, a sign
        // slipped before the line's start.
        WarningCase{"a_signal_in_kilometres", long_line,
             train_with(station_row(0, "13,57, 0") + "segnale, 10050" + signal_tail + "segnale, 40" + signal_tail +
                        "segnale, 45000" + signal_tail),
             {"misplaced-position", 't', 4, 10}, long_line,
             train_with(station_row(0, "13,57, 0") + "segnale, 10050" + signal_tail + "segnale, 40000" +
                        signal_tail + "segnale, 45000" + signal_tail)},
        WarningCase{"a_gradient_with_its_sign_slipped",
             line_with("pendenza, 400, 2\r\npendenza, -500, 3\r\npendenza, 1000, 4\r\n", 30000), empty_train,
             {"misplaced-position", 'l', 5, 11},
             line_with("pendenza, 400, 2\r\npendenza, 500, 3\r\npendenza, 1000, 4\r\n", 30000), empty_train},
        // Speeds.
        WarningCase{"a_speed_step_with_position_and_speed_swapped", bare_line,
             train_with("velocita, 140, 1000\r\n"), {"speed-too-high", 't', 2, 16}, bare_line,
             train_with("velocita, 1000, 140\r\n")},
        WarningCase{"a_slowdown_with_speed_and_length_swapped", bare_line,
             train_with("rallentamento, 20000, 600, 60, 0, 0, 0\r\n"), {"speed-too-high", 't', 2, 23},
             bare_line, train_with("rallentamento, 20000, 60, 600, 0, 0, 0\r\n")},
        WarningCase{"a_speed_not_in_steps_of_5", bare_line, train_with("velocita, 0, 112\r\n"),
             {"speed-not-in-steps", 't', 2, 14}, bare_line, train_with("velocita, 0, 110\r\n")},
        WarningCase{"a_board_speed_not_in_steps_of_5",
             line_with("indicatori_vmax, 700, 125, 135, 145, 0, 52, 55, 55, 0\r\n", 30000), empty_train,
             {"speed-not-in-steps", 'l', 4, 41},
             line_with("indicatori_vmax, 700, 125, 135, 145, 0, 50, 55, 55, 0\r\n", 30000), empty_train},
        WarningCase{"a_slowdown_not_below_the_limit", bare_line,
             train_with("velocita, 0, 100\r\nrallentamento, 20000, 120, 500, 0, 0, 0\r\n"),
             {"slowdown-not-slower", 't', 3, 23}, bare_line,
             train_with("velocita, 0, 100\r\nrallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        // Times.
        WarningCase{"hours_past_the_day", bare_line, train_with(station_row(2000, "27,58, 0")),
             {"hours-24-or-more", 't', 2, 51}, bare_line, train_with(station_row(2000, "3,58, 0"))},
        WarningCase{"a_station_time_repeated", bare_line,
             train_with(station_row(0, "13,57, 0") + station_row(12800, "13,57, 0", "ORVENO")),
             {"time-repeated", 't', 3, 52}, bare_line,
             train_with(station_row(0, "13,57, 0") + station_row(12800, "14,7, 0", "ORVENO"))},
        // Before the last station's time but after the first's.
        WarningCase{"a_clock_after_the_first_station", bare_line,
             train_with("orologio, 14 0 0\r\n" + speed_and_adhesion + station_row(0, "13,57, 0") +
                        station_row(12800, "14,10, 0", "ORVENO")),
             {"clock-after-first-station", 't', 2, 11}, bare_line,
             train_with("orologio, 13 50 0\r\n" + speed_and_adhesion + station_row(0, "13,57, 0") +
                        station_row(12800, "14,10, 0", "ORVENO"))},
        WarningCase{"a_stretch_no_train_can_keep", bare_line,
             train_with("velocita, 0, 150\r\n" + station_row(0, "13,57, 0") +
                        station_row(12500, "13,57, 30", "ORVENO")),
             {"timetable-too-fast", 't', 4, 52}, bare_line,
             train_with("velocita, 0, 150\r\n" + station_row(0, "13,57, 0") +
                        station_row(12500, "14,3, 0", "ORVENO"))},
        // Sections: a whole train header without speed steps, one row of
        // it without adhesion steps.
        WarningCase{"a_train_without_speed_steps", bare_line,
             train_with(header + "aderenza, 0, 95\r\n" + station_row(0, "13,57, 0")),
             {"missing-section", 't', 1, 1}, bare_line,
             train_with(header + speed_and_adhesion + station_row(0, "13,57, 0"))},
        WarningCase{"a_partial_header_without_adhesion_steps", bare_line,
             train_with("numero vetture, 16\r\nvelocita, 0, 100\r\n" + station_row(0, "13,57, 0")),
             {"missing-section", 't', 1, 1}, bare_line,
             train_with("numero vetture, 16\r\n" + speed_and_adhesion + station_row(0, "13,57, 0"))},
        // Fields: a comma left at the line's end, two commas in a row, a
        // station without a name.
        WarningCase{"a_row_split_after_its_comma", line_with("pendenza,  1000,\r\n3\r\n", 30000), empty_train,
             {"empty-field", 'l', 4, 17}, line_with("pendenza,  1000, 3\r\n", 30000), empty_train},
        WarningCase{"two_commas_in_a_row", bare_line, train_with("velocita, 3000,, 150\r\n"),
             {"empty-field", 't', 2, 16}, bare_line, train_with("velocita, 3000, 150\r\n")},
        WarningCase{"a_board_text_cut_at_a_comma",
             line_with("cartello indicatore, 2000, VEDONA, BIVIO\r\n", 30000), empty_train,
             {"board-text-cut", 'l', 4, 28},
             line_with("cartello indicatore, 2000, \"VEDONA, BIVIO\"\r\n", 30000), empty_train},
        WarningCase{"a_station_without_a_name", bare_line, train_with(station_row(2000, "13,57, 0", "")),
             {"empty-name", 't', 2, 61}, bare_line, train_with(station_row(2000, "13,57, 0"))}),
    case_name);

// Unsorted rows are no slip: a position that breaks the order but whose
// kilometres would not fit, or that lands on nothing, is left alone.
TEST(Plausibility, UnsortedTextsStayQuiet) {
  const std::string train_text = train_with(
      station_row(0, "13,57, 0") + "segnale, 20000" + signal_tail + "segnale, 5000" + signal_tail +
      "segnale, 12000" + signal_tail + "abbattimento, 9000, 0\r\nabbattimento, 3000, 0\r\n");
  EXPECT_EQ(compile_placed(long_line, train_text).seen, std::vector<Seen>{});
}

// From 1000 m to 11000 m: 100 km/h up to 5950 m (the step at 6000 m acts
// from cell 120, which begins there), then 150 km/h, but 60 km/h over the
// slowdown from 8000 to 9000 m:
//   4950 m x 3.6 / 100 = 178.2 s, 2050 m x 3.6 / 150 = 49.2 s,
//   1000 m x 3.6 / 60 = 60 s, 2000 m x 3.6 / 150 = 48 s: 335.4 s, so 336 s.
TEST(Plausibility, TheLeastTimeOfAStretchToTheSecond) {
  const std::string body = "velocita, 0, 100\r\nvelocita, 6000, 150\r\n"
                            "rallentamento, 8000, 60, 1000, 0, 0, 0\r\n" + station_row(1000, "13,57, 0");
  for (const auto& [arrival, too_soon] : {std::pair{"14,2, 35", true}, {"14,2, 36", false}}) {
    const std::string train_text = train_with(body + station_row(11000, arrival, "ORVENO"));
    const Compiled c = compile_placed(bare_line, train_text);
    const RowList line = read_rows(bare_line, Text::linea, true), train = read_rows(train_text, Text::treno, false);
    const RowScan rows = scan_rows(line, train);
    const Timetable tt = plan_timetable(c.m, rows);
    ASSERT_EQ(tt.stretches.size(), 1u);
    const Stretch& s = tt.stretches[0];
    EXPECT_EQ(s.distance_m, 10000);
    EXPECT_EQ(s.given_s, too_soon ? 335 : 336);
    EXPECT_EQ(s.least_s, 336);
    const std::vector<Seen> want =
        too_soon ? std::vector<Seen>{{"timetable-too-fast", 't', 6, 52}} : std::vector<Seen>{};
    EXPECT_EQ(c.seen, want);
  }
}

// Untimed stations are passed on the way; a run past midnight counts on.
TEST(Plausibility, StretchesJoinTimedStationsAcrossMidnight) {
  const std::string train_text =
      train_with("velocita, 0, 100\r\n" + station_row(0, "23,55, 0") + station_row(3000, "0,0, 0", "A") +
                 station_row(6000, "0,0, 0", "B") + station_row(9000, "0,5, 0", "ORVENO"));
  const Compiled c = compile_placed(bare_line, train_text);
  const RowList line = read_rows(bare_line, Text::linea, true), train = read_rows(train_text, Text::treno, false);
  const Timetable tt = plan_timetable(c.m, scan_rows(line, train));
  ASSERT_EQ(tt.stretches.size(), 1u);
  EXPECT_EQ(tt.stretches[0].given_s, 600);
  EXPECT_EQ(tt.stretches[0].least_s, 324);  // 9000 m x 3.6 / 100
  EXPECT_EQ(tt.stretches[0].passed, (std::vector<int>{2, 3}));
  EXPECT_EQ(c.seen, std::vector<Seen>{});
}

// The clock is read against the first station with a time on the day that
// puts it nearest (within half a day): a start before midnight for a
// timetable after it is early, a start after midnight for a timetable
// before it is late.
TEST(Plausibility, TheClockIsReadAcrossMidnight) {
  struct {
    const char* clock;
    std::string stations;
    bool late;
  } cases[] = {
      {"13 57 0", station_row(0, "13,57, 0") + station_row(9000, "14,10, 0", "ORVENO"), false},
      {"13 57 1", station_row(0, "13,57, 0") + station_row(9000, "14,10, 0", "ORVENO"), true},
      {"23 58 0", station_row(0, "0,5, 0") + station_row(9000, "0,15, 0", "ORVENO"), false},
      {"23 59 59", station_row(0, "23,50, 0") + station_row(9000, "0,5, 0", "ORVENO"), true},
      {"0 10 0", station_row(0, "23,50, 0") + station_row(9000, "0,15, 0", "ORVENO"), true},
      // The first station without a time: the first timed one counts.
      {"13 50 0", station_row(0, "0,0, 0") + station_row(9000, "13,45, 0", "ORVENO"), true},
      // Twelve hours before is the same day's morning, not last night.
      {"1 57 0", station_row(0, "13,57, 0") + station_row(9000, "14,10, 0", "ORVENO"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clock);
    const Compiled got = compile_placed(
        bare_line, train_with("orologio, " + std::string(c.clock) + "\r\n" + speed_and_adhesion + c.stations));
    const std::vector<Seen> late = {{"clock-after-first-station", 't', 2, 11}};
    EXPECT_EQ(got.seen, c.late ? late : std::vector<Seen>{});
  }
  EXPECT_EQ(message_of(compile_placed(bare_line, train_with("orologio, 0 10 0\r\n" + speed_and_adhesion +
                                                             station_row(0, "23,50, 0"))),
                       "clock-after-first-station"),
            "the clock starts at 0:10:00, 20 min 0 s after the time of station VALDORA (23:50:00), "
            "the first station with a time: the train is late from the start");
}

// A train text with a header row is a train to run: each section it lacks
// is named with what the train is left with.
TEST(Plausibility, AMissingSectionSaysWhatTheTrainWillHave) {
  const Compiled c = compile_placed(bare_line, train_with("sabbia, 300\r\n"));
  std::vector<std::string> said;
  for (const Diagnostic& d : c.m.diagnostics) said.push_back(d.message);
  EXPECT_EQ(said, (std::vector<std::string>{
                      "the train has no 'stazione' rows: it has no stations and no timetable",
                      "the train has no 'velocita' rows: its speed limit is 0 in every track cell, "
                      "so it cannot move",
                      "the train has no 'aderenza' rows: its adhesion is 0 in every track cell"}));
  // A fragment without a header row is not judged.
  EXPECT_EQ(compile_placed(bare_line, train_with("velocita, 0, 100\r\n")).seen, std::vector<Seen>{});
}

}  // namespace
