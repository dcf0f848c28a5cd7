// Warnings where a text compiles into something other than what its author
// wrote: runaway quotes, broken section headers, separators, times that
// carry over or run backwards, mountains retyped by the one before them.
// Each case names the code and the place (line and column), and its sound
// twin compiles quietly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "model/errors.h"
#include "warning_test_support.h"

namespace {

using namespace scenario;
using namespace testing_support;

INSTANTIATE_TEST_SUITE_P(
    ValueWarnings, WarningTwins,
    testing::Values(
        // The name's quote opens in column 61 and swallows the signal row.
        WarningCase{"a_quote_that_runs_on", bare_line,
             train_with(station_row(2000, "13,57, 0", "\"VALDORA") + "segnale, 5000" + signal_tail),
             {"unclosed-quote", 't', 2, 61},
             bare_line,
             train_with(station_row(2000, "13,57, 0", "\"VALDORA\"") + "segnale, 5000" + signal_tail)},
        WarningCase{"a_header_without_its_bracket",
             "[generale]\r\nlunghezza percorso, 30000\r\n[curve\r\npendenza, 500, 2\r\n"
             "curvad3, 800, 450\r\n[fine]\r\n",
             empty_train, {"malformed-header", 'l', 3, 1},
             "[generale]\r\nlunghezza percorso, 30000\r\n[curve]\r\npendenza, 500, 2\r\n"
             "curvad3, 800, 450\r\n[fine]\r\n",
             empty_train},
        WarningCase{"a_decimal_comma", line_with("pendenza, 7100, 2,5\r\n", 30000), empty_train,
             {"separator", 'l', 4, 19}, line_with("pendenza, 7100, 2\r\n", 30000), empty_train},
        WarningCase{"minutes_of_60", bare_line, train_with(station_row(2000, "13,60, 0")),
             {"time-overflow", 't', 2, 54}, bare_line, train_with(station_row(2000, "14,0, 0"))},
        WarningCase{"seconds_of_75", bare_line, train_with(station_row(2000, "13,5, 75")),
             {"time-overflow", 't', 2, 57}, bare_line, train_with(station_row(2000, "13,5, 59"))},
        // The hours of the second station, in column 51.
        WarningCase{"station_times_backwards", bare_line,
             train_with(station_row(0, "13,57, 0") + station_row(2000, "13,50, 0", "ORVENO")),
             {"time-backwards", 't', 3, 51}, bare_line,
             train_with(station_row(0, "13,57, 0") + station_row(2000, "13,59, 0", "ORVENO"))},
        WarningCase{"a_gradient_below_its_range", line_with("pendenza, 7100, -120\r\n", 30000), empty_train,
             {"value-out-of-range", 'l', 4, 17}, line_with("pendenza, 7100, -100\r\n", 30000),
             empty_train},
        WarningCase{"an_adhesion_past_a_byte", bare_line, train_with("aderenza, 950, 920\r\n"),
             {"value-out-of-range", 't', 2, 16}, bare_line, train_with("aderenza, 950, 255\r\n")},
        WarningCase{"a_signal_tempo_past_a_byte", bare_line,
             train_with("segnale, 5000, 2, 4, 0, 0, 0, 0, 0,0,0, 300\r\n"),
             {"value-out-of-range", 't', 2, 41}, bare_line,
             train_with("segnale, 5000, 2, 4, 0, 0, 0, 0, 0,0,0, 220\r\n")},
        WarningCase{"a_progressive_flag_of_2",
             "[generale]\r\nlunghezza percorso, 30000\r\nprogressiva chilometrica uno, 0, 82800, "
             "2\r\n[curve]\r\n[fine]\r\n",
             empty_train, {"value-out-of-range", 'l', 3, 41},
             "[generale]\r\nlunghezza percorso, 30000\r\nprogressiva chilometrica uno, 0, 82800, "
             "1\r\n[curve]\r\n[fine]\r\n",
             empty_train},
        WarningCase{"a_background_given_twice",
             "[generale]\r\nlunghezza percorso, 30000\r\nsfondo uno, 3\r\nsfondo uno, 4\r\n"
             "[curve]\r\n[fine]\r\n",
             empty_train, {"repeated-record", 'l', 4, 1},
             "[generale]\r\nlunghezza percorso, 30000\r\nsfondo uno, 3\r\nsfondo due, 4\r\n"
             "[curve]\r\n[fine]\r\n",
             empty_train},
        WarningCase{"a_train_header_row_given_twice", bare_line,
             train_with("numero vetture, 16\r\nnumero vetture, 12\r\n" + speed_and_adhesion +
                        station_row(0, "13,57, 0")),
             {"repeated-record", 't', 3, 1}, bare_line,
             train_with("numero vetture, 12\r\n" + speed_and_adhesion + station_row(0, "13,57, 0"))},
        WarningCase{"a_signal_repetition_backwards",
             "[generale]\r\nlunghezza percorso, 30000\r\nripetizione segnali 4 codici, 5000, "
             "3000\r\n[curve]\r\n[fine]\r\n",
             empty_train, {"reversed-span", 'l', 3, 37},
             "[generale]\r\nlunghezza percorso, 30000\r\nripetizione segnali 4 codici, 3000, "
             "5000\r\n[curve]\r\n[fine]\r\n",
             empty_train},
        WarningCase{"a_mountain_inside_the_one_before",
             line_with("montagna, 5000, 8000, 2\r\nmontagna, 7000, 9000, 2\r\n", 30000), empty_train,
             {"mountain-overlap", 'l', 5, 1},
             line_with("montagna, 5000, 8000, 2\r\nmontagna, 9000, 10000, 2\r\n", 30000), empty_train}),
    case_name);

TEST(ValueWarnings, SayWhatIsStoredInstead) {
  EXPECT_EQ(message_of(compile_placed(line_with("pendenza, 7100, -120\r\n", 30000), empty_train),
                       "value-out-of-range"),
            "gradient -120 is stored as 136, its sign turned; the range is -100 to 155");
  EXPECT_EQ(message_of(compile_placed(bare_line, train_with("aderenza, 950, 920\r\n")), "value-out-of-range"),
            "adhesion 920 is stored as 152; the range is 0 to 255");
  EXPECT_EQ(message_of(compile_placed(bare_line, train_with(station_row(2000, "7,60, 0"))), "time-overflow"),
            "minutes 60 in the time of station VALDORA (7, 60, 0) carry over: the time is stored "
            "as 8:00:00");
  EXPECT_EQ(message_of(compile_placed(bare_line, train_with(station_row(0, "13,57, 0") +
                                                  station_row(2000, "13,50, 0", "ORVENO"))),
                       "time-backwards"),
            "the time of station ORVENO (13:50:00) is earlier than that of station VALDORA before "
            "it (13:57:00)");
  EXPECT_EQ(message_of(compile_placed(line_with("montagna, 5000, 8000, 2\r\nmontagna, 7000, 9000, 12\r\n",
                                         30000),
                               empty_train),
                       "mountain-overlap"),
            "the mountain starts at 7000 m, inside the mountain before it (which ends at 8000 m): "
            "it is stored as type 3, not 2, and its cells replace the earlier mountain's");
  EXPECT_EQ(message_of(compile_placed(line_with("pendenza, 7100, 85,000\r\n", 30000), empty_train), "separator"),
            "'85,000' is read as two values, 85 and 000: a comma always separates values, so "
            "write whole numbers without a decimal comma or a thousands separator (85000)");
}

// A time at the 32-bit limit is a carried-over time, not one that runs
// backwards by billions of seconds (and comparing it must not overflow).
TEST(ValueWarnings, ATimeAtThe32BitLimitIsOnlyACarriedOverTime) {
  const Compiled c = compile_placed(
      bare_line, train_with(station_row(0, "13,57, 0") + station_row(2000, "0,0, -2147483648", "ORVENO")));
  EXPECT_EQ(c.seen, (std::vector<Seen>{{"time-overflow", 't', 3, 56}}));
  EXPECT_EQ(message_of(c, "time-overflow"),
            "seconds -2147483648 in the time of station ORVENO (0, 0, -2147483648) carry over: the "
            "time is stored as -596523:14:08");
}

TEST(ValueWarnings, ARunawayQuoteCountsTheRowsItSwallows) {
  const Compiled open_to_the_end = compile_placed(
      bare_line, train_with(station_row(2000, "13,57, 0", "\"VALDORA") + "segnale, 5000" + signal_tail));
  // The signal row and [fine].
  EXPECT_EQ(message_of(open_to_the_end, "unclosed-quote"),
            "the quoted text opened here is never closed: it runs to the end of the text, and the "
            "2 lines after it are read as part of it, not as rows");
  const Compiled closed_later = compile_placed(
      line_with("cartello indicatore, 2000, \"VEDONA\r\npendenza, 1000, 3\r\nBIVIO\"\r\n", 30000),
      empty_train);
  EXPECT_EQ(closed_later.seen, (std::vector<Seen>{{"unclosed-quote", 'l', 4, 28}}));
  EXPECT_EQ(message_of(closed_later, "unclosed-quote"),
            "the quoted text opened here closes only on line 6: the 2 lines after it are read as "
            "part of it, not as rows");
}

TEST(ValueWarnings, ABrokenHeaderTakesTheBlameForTheRowsAfterIt) {
  const Compiled c = compile_placed(
      "[generale]\r\nlunghezza percorso, 30000\r\n[curve\r\npendenza, 500, 2\r\n- commento\r\n"
      "curvad3, 800, 450\r\n[pendenze]\r\npendenza, 900, 3\r\n[fine]\r\n",
      empty_train);
  // One warning, not one per skipped row.
  ASSERT_EQ(c.seen, (std::vector<Seen>{{"malformed-header", 'l', 3, 1}}));
  const Diagnostic& d = c.m.diagnostics.front();
  EXPECT_EQ(d.message, "'[curve' is no section header: it lacks its ']', so the general section "
                       "goes on and the rows after it are read as general section records: the "
                       "body's records among them are skipped");
  ASSERT_EQ(d.notes.size(), 2u);
  EXPECT_EQ(d.notes[0].message, "2 rows, lines 4 to 6, are not read");
  EXPECT_EQ(d.notes[1].message, "write '[curve]'");
  // The body from [pendenze] on is read.
  EXPECT_EQ(c.m.celle[18].codice_pendenza, 103);
}

// Dropping the rows' warnings must not lose track of the recorded error: a
// later error replaces that one, not the warning that took its index.
TEST(ValueWarnings, ABrokenHeaderKeepsTheRecordedErrorInPlace) {
  const Compiled c = compile_placed(
      "[generale]\r\nlunghezza percorso, 30000\r\n[curve\r\npendenza, 500, 2\r\n[pendenze]\r\n"
      "pendenza, 40000, 3\r\n[fine]\r\n",
      "[generale]\r\nnumero vetture, x\r\n[fine]\r\n");
  ASSERT_EQ(c.seen, (std::vector<Seen>{{"malformed-header", 'l', 3, 1}, {"error-25", 't', 2, 17}}));
  const Diagnostic& error = c.m.diagnostics.back();
  ASSERT_FALSE(error.notes.empty());
  EXPECT_EQ(error.notes.front().message.substr(0, 26), "this replaces error 15, re");
}

// Errors whose number alone hides the cause say it in the author's words.
TEST(ValueWarnings, ErrorsNameTheirPlainCause) {
  struct {
    const char* why;
    std::string line_text, train_text, code;
    Seen at;
    std::string says;
  } cases[] = {
      {"tabs", line_with("pendenza\t7100\t4\r\npendenza\t8000\t5\r\n", 30000), empty_train, "error-25",
       {"error-25", 'l', 4, 1}, "this row uses tabs"},
      {"semicolons", line_with("pendenza; 7100; 4\r\n", 30000), empty_train, "error-25",
       {"error-25", 'l', 4, 1}, "this row uses semicolons"},
      {"decimal_point", line_with("pendenza, 7100, 2.5\r\n", 30000), empty_train, "error-25",
       {"error-25", 'l', 4, 17}, "no decimal point or thousands separator ('.')"},
      {"unit", "[generale]\r\nlunghezza percorso, 14000m\r\n[curve]\r\n[fine]\r\n", empty_train,
       "error-25", {"error-25", 'l', 2, 21}, "write the number without its unit 'm': 14000"},
      {"unit_apart", line_with("pendenza, 7100 m, 4\r\n", 30000), empty_train, "error-25",
       {"error-25", 'l', 4, 16}, "is it the unit of the number before it?"},
      {"slowdown_longer_than_the_line", bare_line,
       train_with("rallentamento, 20000, 60, 40000, 0, 0, 0\r\n"), "error-15",
       {"error-15", 't', 2, 27}, "the slowdown's length of 40000 m takes its end to 60000 m"},
      {"stations_out_of_order", bare_line,
       train_with(station_row(5000, "13,57, 0") + station_row(2000, "14,10, 0", "ORVENO")), "error-22",
       {"error-22", 't', 3, 11}, "the stations are out of order: this one at 2000 m is written "
                                 "after station VALDORA at 5000 m"},
      {"track_cell_1", bare_line, train_with("segnale, 0" + signal_tail), "error-1250",
       {"error-1250", 't', 2, 1}, "a feature in the first 50 m of the line"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Compiled got = compile_placed(c.line_text, c.train_text);
    ASSERT_EQ(got.seen, std::vector<Seen>{c.at});
    const Diagnostic& d = got.m.diagnostics.front();
    std::string all = d.message;
    for (const DiagnosticNote& n : d.notes) all += "\n" + n.message;
    EXPECT_NE(all.find(c.says), std::string::npos) << all;
  }
}

TEST(ValueWarnings, UnusualButSoundTextsStayQuiet) {
  // Maximum values that fit, features exactly at the boundaries, a long
  // comment, blank lines, quoted names with commas, a run past midnight,
  // a station without a time, mountains that touch, a clock that starts
  // the day before its first station.
  const std::string line_text = line_with(
      "- " + std::string(300, 'x') + "\r\n\r\n"
      "pendenza, 1000, 155\r\npendenza, 2000, -100\r\n"
      "montagna, 5000, 8000, 2\r\nmontagna, 8000, 9000, 3\r\n"
      "cartello indicatore, 2000, \"VEDONA, BIVIO\"\r\n",
      30000);
  const std::string train_text = train_with(
      "\r\norologio, 23 49 59\r\n" + speed_and_adhesion + station_row(0, "23,50, 0") +
      station_row(2000, "0,0, 0", "\"LOVEDRO, C.LE\"") + station_row(4000, "0,10, 59", "ORVENO"));
  EXPECT_EQ(compile_placed(line_text, train_text).seen, std::vector<Seen>{});
}

// Messages that say what the author wrote: a mountain written before the
// one before it, a position before the line's start, a non-breaking space.
TEST(ValueWarnings, MessagesSayWhatTheAuthorWrote) {
  const Compiled before = compile_placed(
      line_with("montagna, 5000, 8000, 2\r\nmontagna, 4000, 3000, 2\r\n", 30000), empty_train);
  EXPECT_NE(message_of(before, "mountain-overlap")
                .find("starts at 4000 m, before the mountain before it (which runs from 5000 to "
                      "8000 m)"),
            std::string::npos);
  EXPECT_NE(message_of(before, "mountain-overlap").find("covers no track cell"), std::string::npos);

  const Compiled negative = compile_placed(bare_line, train_with("segnale, -500" + signal_tail));
  EXPECT_EQ(message_of(negative, "error-15"),
            "position before the start of the line (position -500 m)");

  const Compiled nbsp = compile_placed(line_with("pendenza, 1000\xA0, 3\r\n", 30000), empty_train);
  EXPECT_NE(message_of(nbsp, "error-25").find("non-breaking space (byte A0, shown as \\xA0)"),
            std::string::npos)
      << message_of(nbsp, "error-25");
}

}  // namespace
