// Values that fit their fields but make no sense where they stand: each
// case names its warning's code and place (line and column), and its sound
// twin compiles quietly. Then the timetable's least time, worked out by hand
// to the second.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiled_in_memory.h"
#include "compiler/row_scan.h"
#include "compiler/timetable.h"
#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::Compiled;
using testing_support::line_with;
using testing_support::Seen;
using testing_support::train_with;

Compiled compile(const std::string& linea, const std::string& treno) {
  return testing_support::compile_in_memory(linea, treno, testing_support::Place::line_and_column);
}

const std::string binario = line_with("", 30000);
const std::string lungo = line_with("", 60000);
const std::string fermo = train_with("");
const std::string segnale = ", 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n";
const std::string testata =
    "numero vetture, 16\r\npercentuale massa frenata, 125\r\nsabbia, 300\r\norologio, 13 56 15\r\n";

// A station row at `p` with the time h, min, s and the name.
std::string stazione(int p, const std::string& ora, const std::string& nome = "VALDORA",
                     int lunghezza = 700) {
  return "stazione, " + std::to_string(p) + ", 8, " + std::to_string(lunghezza) +
         ", 0, 1, 0, 1,1,0, 4,1,1, 1, " + ora + ", " + nome + "\r\n";
}

struct Case {
  const char* name;
  std::string linea, treno;
  Seen want;
  std::string quiet_linea, quiet_treno;  // the sound twin
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Plausibility : public testing::TestWithParam<Case> {};

TEST_P(Plausibility, NameTheirPlaceAndTheTwinStaysQuiet) {
  const Case& c = GetParam();
  EXPECT_EQ(compile(c.linea, c.treno).seen, std::vector<Seen>{c.want});
  EXPECT_EQ(compile(c.quiet_linea, c.quiet_treno).seen, std::vector<Seen>{});
}

INSTANTIATE_TEST_SUITE_P(
    All, Plausibility,
    testing::Values(
        // Lengths: the value itself.
        Case{"a_slowdown_of_length_0", binario, train_with("rallentamento, 20000, 60, 0, 0, 0, 0\r\n"),
             {"non-positive-length", 't', 2, 27}, binario,
             train_with("rallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        Case{"a_slowdown_of_negative_length", binario,
             train_with("rallentamento, 20000, 60, -500, 0, 0, 0\r\n"),
             {"non-positive-length", 't', 2, 27}, binario,
             train_with("rallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        Case{"a_curve_of_length_0", line_with("curvad3, 800, 0\r\n", 30000), fermo,
             {"non-positive-length", 'l', 4, 15}, line_with("curvad3, 800, 450\r\n", 30000), fermo},
        Case{"a_station_of_length_0", binario, train_with(stazione(2000, "13,57, 0", "VALDORA", 0)),
             {"non-positive-length", 't', 2, 20}, binario, train_with(stazione(2000, "13,57, 0"))},
        // Positions: kilometres for metres inside the first station, a sign
        // slipped before the line's start.
        Case{"a_signal_in_kilometres", lungo,
             train_with(stazione(0, "13,57, 0") + "segnale, 10050" + segnale + "segnale, 40" + segnale +
                        "segnale, 45000" + segnale),
             {"misplaced-position", 't', 4, 10}, lungo,
             train_with(stazione(0, "13,57, 0") + "segnale, 10050" + segnale + "segnale, 40000" +
                        segnale + "segnale, 45000" + segnale)},
        Case{"a_gradient_with_its_sign_slipped",
             line_with("pendenza, 400, 2\r\npendenza, -500, 3\r\npendenza, 1000, 4\r\n", 30000), fermo,
             {"misplaced-position", 'l', 5, 11},
             line_with("pendenza, 400, 2\r\npendenza, 500, 3\r\npendenza, 1000, 4\r\n", 30000), fermo},
        // Speeds.
        Case{"a_speed_step_with_position_and_speed_swapped", binario,
             train_with("velocita, 140, 1000\r\n"), {"speed-too-high", 't', 2, 16}, binario,
             train_with("velocita, 1000, 140\r\n")},
        Case{"a_slowdown_with_speed_and_length_swapped", binario,
             train_with("rallentamento, 20000, 600, 60, 0, 0, 0\r\n"), {"speed-too-high", 't', 2, 23},
             binario, train_with("rallentamento, 20000, 60, 600, 0, 0, 0\r\n")},
        Case{"a_speed_not_in_steps_of_5", binario, train_with("velocita, 0, 112\r\n"),
             {"speed-not-in-steps", 't', 2, 14}, binario, train_with("velocita, 0, 110\r\n")},
        Case{"a_board_speed_not_in_steps_of_5",
             line_with("indicatori_vmax, 700, 125, 135, 145, 0, 52, 55, 55, 0\r\n", 30000), fermo,
             {"speed-not-in-steps", 'l', 4, 41},
             line_with("indicatori_vmax, 700, 125, 135, 145, 0, 50, 55, 55, 0\r\n", 30000), fermo},
        Case{"a_slowdown_not_below_the_limit", binario,
             train_with("velocita, 0, 100\r\nrallentamento, 20000, 120, 500, 0, 0, 0\r\n"),
             {"slowdown-not-slower", 't', 3, 23}, binario,
             train_with("velocita, 0, 100\r\nrallentamento, 20000, 60, 500, 0, 0, 0\r\n")},
        // Times.
        Case{"hours_past_the_day", binario, train_with(stazione(2000, "27,58, 0")),
             {"hours-24-or-more", 't', 2, 51}, binario, train_with(stazione(2000, "3,58, 0"))},
        Case{"a_station_time_repeated", binario,
             train_with(stazione(0, "13,57, 0") + stazione(12800, "13,57, 0", "ORVENO")),
             {"time-repeated", 't', 3, 52}, binario,
             train_with(stazione(0, "13,57, 0") + stazione(12800, "14,7, 0", "ORVENO"))},
        Case{"a_clock_after_every_station_time", binario,
             train_with("orologio, 14 30 0\r\n" + stazione(0, "13,57, 0") +
                        stazione(12800, "14,10, 0", "ORVENO")),
             {"clock-after-timetable", 't', 2, 11}, binario,
             train_with("orologio, 13 50 0\r\n" + stazione(0, "13,57, 0") +
                        stazione(12800, "14,10, 0", "ORVENO"))},
        Case{"a_stretch_no_train_can_keep", binario,
             train_with("velocita, 0, 150\r\n" + stazione(0, "13,57, 0") +
                        stazione(12500, "13,57, 30", "ORVENO")),
             {"timetable-too-fast", 't', 4, 52}, binario,
             train_with("velocita, 0, 150\r\n" + stazione(0, "13,57, 0") +
                        stazione(12500, "14,3, 0", "ORVENO"))},
        // Sections: a whole train header without speed steps.
        Case{"a_train_without_speed_steps", binario,
             train_with(testata + "aderenza, 0, 95\r\n" + stazione(0, "13,57, 0")),
             {"missing-section", 't', 1, 1}, binario,
             train_with(testata + "aderenza, 0, 95\r\nvelocita, 0, 100\r\n" + stazione(0, "13,57, 0"))},
        // Fields: a comma left at the line's end, two commas in a row, a
        // station without a name.
        Case{"a_row_split_after_its_comma", line_with("pendenza,  1000,\r\n3\r\n", 30000), fermo,
             {"empty-field", 'l', 4, 17}, line_with("pendenza,  1000, 3\r\n", 30000), fermo},
        Case{"two_commas_in_a_row", binario, train_with("velocita, 3000,, 150\r\n"),
             {"empty-field", 't', 2, 16}, binario, train_with("velocita, 3000, 150\r\n")},
        Case{"a_board_text_cut_at_a_comma",
             line_with("cartello indicatore, 2000, VEDONA, BIVIO\r\n", 30000), fermo,
             {"board-text-cut", 'l', 4, 28},
             line_with("cartello indicatore, 2000, \"VEDONA, BIVIO\"\r\n", 30000), fermo},
        Case{"a_station_without_a_name", binario, train_with(stazione(2000, "13,57, 0", "")),
             {"empty-name", 't', 2, 61}, binario, train_with(stazione(2000, "13,57, 0"))}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// Unsorted rows are no slip: a position that breaks the order but whose
// kilometres would not fit, or that lands on nothing, is left alone.
TEST(Plausibility, UnsortedTextsStayQuiet) {
  const std::string treno = train_with(
      stazione(0, "13,57, 0") + "segnale, 20000" + segnale + "segnale, 5000" + segnale +
      "segnale, 12000" + segnale + "abbattimento, 9000, 0\r\nabbattimento, 3000, 0\r\n");
  EXPECT_EQ(compile(lungo, treno).seen, std::vector<Seen>{});
}

// From 1000 m to 11000 m: 100 km/h up to 5950 m (the step at 6000 m acts
// from cell 120, which begins there), then 150 km/h, but 60 km/h over the
// slowdown from 8000 to 9000 m:
//   4950 m x 3.6 / 100 = 178.2 s, 2050 m x 3.6 / 150 = 49.2 s,
//   1000 m x 3.6 / 60 = 60 s, 2000 m x 3.6 / 150 = 48 s: 335.4 s, so 336 s.
TEST(Plausibility, TheLeastTimeOfAStretchToTheSecond) {
  const std::string corpo = "velocita, 0, 100\r\nvelocita, 6000, 150\r\n"
                            "rallentamento, 8000, 60, 1000, 0, 0, 0\r\n" + stazione(1000, "13,57, 0");
  for (const auto& [arrivo, troppo_presto] : {std::pair{"14,2, 35", true}, {"14,2, 36", false}}) {
    const std::string treno = train_with(corpo + stazione(11000, arrivo, "ORVENO"));
    const Compiled c = compile(binario, treno);
    const RowList line = read_rows(binario, Text::linea, true), train = read_rows(treno, Text::treno, false);
    const RowScan rows = scan_rows(line, train);
    const Timetable tt = plan_timetable(c.m, rows);
    ASSERT_EQ(tt.stretches.size(), 1u);
    const Stretch& s = tt.stretches[0];
    EXPECT_EQ(s.distance_m, 10000);
    EXPECT_EQ(s.given_s, troppo_presto ? 335 : 336);
    EXPECT_EQ(s.least_s, 336);
    const std::vector<Seen> want =
        troppo_presto ? std::vector<Seen>{{"timetable-too-fast", 't', 6, 52}} : std::vector<Seen>{};
    EXPECT_EQ(c.seen, want);
  }
}

// Untimed stations are passed on the way; a run past midnight counts on.
TEST(Plausibility, StretchesJoinTimedStationsAcrossMidnight) {
  const std::string treno =
      train_with("velocita, 0, 100\r\n" + stazione(0, "23,55, 0") + stazione(3000, "0,0, 0", "A") +
                 stazione(6000, "0,0, 0", "B") + stazione(9000, "0,5, 0", "ORVENO"));
  const Compiled c = compile(binario, treno);
  const RowList line = read_rows(binario, Text::linea, true), train = read_rows(treno, Text::treno, false);
  const Timetable tt = plan_timetable(c.m, scan_rows(line, train));
  ASSERT_EQ(tt.stretches.size(), 1u);
  EXPECT_EQ(tt.stretches[0].given_s, 600);
  EXPECT_EQ(tt.stretches[0].least_s, 324);  // 9000 m x 3.6 / 100
  EXPECT_EQ(tt.stretches[0].passed, (std::vector<int>{2, 3}));
  EXPECT_EQ(c.seen, std::vector<Seen>{});
}

}  // namespace
