// What a compilation tells an author, in the process: every warning and
// every relocated error of a small fixture, by code and by the line it
// points at; sound texts stay quiet; notes name the rows behind a contested
// cell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "model/errors.h"
#include "text/field_reader.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "compiled_in_memory.h"
#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::line_with;
using testing_support::train_with;

// A place as an author reads it: which text, which line.
using testing_support::Compiled;
using testing_support::Seen;

Compiled compile(const std::string& linea, const std::string& treno, std::int32_t j = 1) {
  return testing_support::compile_in_memory(linea, treno, testing_support::Place::line, j != 0);
}

const std::string binario = line_with("", 30000);
const std::string fermo = train_with("");
const std::string segnale = ", 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n";

struct Case {
  const char* name;
  std::string linea, treno;
  std::vector<Seen> seen;
  std::int32_t j = 1;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Diagnostics : public testing::TestWithParam<Case> {};

// Line numbers: line_with puts the body from line 4 on, train_with the rows
// from line 2 on.
TEST_P(Diagnostics, NameTheirCodeAndLine) {
  const Case& c = GetParam();
  EXPECT_EQ(compile(c.linea, c.treno, c.j).seen, c.seen);
}

INSTANTIATE_TEST_SUITE_P(
    Warnings, Diagnostics,
    testing::Values(
        Case{"keyword_typo_in_the_line", line_with("pendnza, 7100, 4\r\n", 30000), fermo,
             {{"unknown-keyword", 'l', 4}}},
        Case{"keyword_typos_in_the_train", binario,
             train_with("segnalle, 4200" + segnale + "stazoine, 2000, 8, 700, 0, 1, 0, 1,1,0, "
                       "4,1,1, 1, 13,57, 0, VALDORA\r\nralentamento, 20000, 60, 500, 0, 1, 0\r\n"
                       "velcita, 0, 100\r\n"),
             {{"unknown-keyword", 't', 2},
              {"unknown-keyword", 't', 3},
              {"unknown-keyword", 't', 4},
              {"unknown-keyword", 't', 5}}},
        Case{"a_comment_line_that_holds_a_keyword",
             line_with("# qui la pendenza cambia\r\npendenza, 7100, 4\r\n", 30000), fermo,
             // The record reads its values from the next line and fails there:
             // the error is the comment's.
             {{"keyword-in-comment", 'l', 4}, {"error-25", 'l', 4}}},
        Case{"a_keyword_alone_on_its_line_is_no_comment",
             "[generale]\r\nlunghezza percorso\r\n30000\r\n[curve]\r\n[fine]\r\n", fermo,
             {{"missing-values", 'l', 2}}},
        Case{"a_keyword_past_the_comment_fields",
             line_with("-----\r\n- tratto -\r\n- pendenza -, 7100, 4\r\n", 30000), fermo,
             {{"keyword-in-comment", 'l', 6}}},
        Case{"records_before_generale", binario,
             "numero vetture, 16\r\n[generale]\r\nvelocita, 0, 100\r\n[fine]\r\n",
             {{"not-read", 't', 1}}},
        Case{"a_body_record_in_the_general_section",
             "[generale]\r\nlunghezza percorso, 30000\r\npendenza, 500, 2\r\n[curve]\r\n[fine]\r\n",
             fermo, {{"not-read", 'l', 3}}},
        Case{"a_general_keyword_with_a_capital",
             "[generale]\r\nlunghezza percorso, 30000\r\nSfondo uno, 3\r\n[curve]\r\n[fine]\r\n",
             fermo, {{"not-read", 'l', 3}}},
        Case{"a_train_row_in_the_line", line_with("segnale, 5000" + segnale, 30000), fermo,
             {{"not-read", 'l', 4}}},
        Case{"more_values_than_the_record_reads", line_with("pendenza, 7100, 4, 5\r\n", 30000),
             fermo, {{"extra-values", 'l', 4}}},
        Case{"values_taken_from_the_next_line", line_with("pendenza, 7100\r\n4\r\n", 30000),
             fermo, {{"missing-values", 'l', 4}}},
        Case{"gradients_out_of_order",
             line_with("pendenza, 7100, 4\r\npendenza, 5000, 3\r\n", 30000), fermo,
             {{"out-of-order", 'l', 5}}},
        Case{"curves_out_of_order",
             line_with("curvad3, 5000, 1000\r\ncurvas2, 5500, 200\r\n", 30000), fermo,
             {{"out-of-order", 'l', 5}}},
        Case{"speed_and_adhesion_steps_out_of_order", binario,
             train_with("velocita, 3000, 150\r\nvelocita, 1000, 100\r\naderenza, 0, 100\r\n"
                       "aderenza, 950, 95\r\naderenza, 950, 90\r\n"),
             {{"out-of-order", 't', 3}, {"out-of-order", 't', 6}}},
        Case{"a_right_curve_read_as_left", line_with("curva destra 5, 1900, 300\r\n", 30000),
             fermo, {{"curve-keyword", 'l', 4}}},
        Case{"a_curve_with_two_class_digits", line_with("curvad35, 1900, 300\r\n", 30000), fermo,
             {{"curve-keyword", 'l', 4}}},
        Case{"a_curve_without_class_digit_without_the_plan",
             line_with("curvad, 1900, 300\r\n", 30000), fermo, {{"curve-keyword", 'l', 4}}, 0},
        Case{"features_in_the_run_out",
             line_with("montagna, 29000, 32000, 2\r\ncurvad3, 29500, 1000\r\n", 30000),
             train_with("segnale, 31000" + segnale),
             {{"in-run-out", 'l', 4}, {"in-run-out", 'l', 5}, {"in-run-out", 't', 2}}},
        Case{"mountains_that_cover_no_cell",
             line_with("montagna, 5000, 4000, 2\r\nmontagna, 8000, 8020, 2\r\n", 30000), fermo,
             {{"empty-mountain", 'l', 4}, {"empty-mountain", 'l', 5}}},
        Case{"progressives_sharing_the_greatest_position",
             "[generale]\r\nlunghezza percorso, 30000\r\nprogressiva chilometrica due, 5000, 200, "
             "0\r\nprogressiva chilometrica uno, 5000, 100, 0\r\n[curve]\r\n[fine]\r\n",
             fermo, {{"progressives-emptied", 'l', 3}}},
        Case{"a_train_without_generale", binario, "numero vetture, 16\r\nsabbia, 300\r\n",
             {{"no-generale", 't', 1}}},
        Case{"an_empty_train", binario, "", {{"empty-text", 't', 1}}},
        Case{"a_train_in_utf_16", binario, std::string("\xFF\xFE[\0g\0", 6),
             {{"utf-16", 't', 1}}},
        Case{"a_train_in_utf_8", binario,
             train_with("stazione, 2000, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, "
                       "CITT\xC3\x80\r\n"),
             {{"utf-8", 't', 2}}},
        Case{"a_station_name_cut_at_a_comma", binario,
             train_with("stazione, 2000, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, VEDONA, "
                       "CENTRALE\r\n"),
             {{"station-name-cut", 't', 2}}},
        Case{"a_station_stop_cell_over_a_speed_board",
             line_with("indicatori_vmax, 1500, 100, 100, 100, 0, , , , 0\r\n", 30000),
             train_with("stazione, 900, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, VALDORA\r\n"),
             {{"station-over-feature", 't', 2}}},
        Case{"approach_marks_over_other_marks", binario,
             train_with("segnale, 5000" + segnale + "segnale, 5100" + segnale),
             {{"marks-overwritten", 't', 3}}}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Errors, Diagnostics,
    testing::Values(
        Case{"a_row_short_of_a_value", binario,
             train_with("rallentamento, 20300, 60, 500, 0, 1\r\nsegnale, 5000" + segnale),
             {{"error-25", 't', 2}}},
        Case{"a_record_cut_off_by_the_end_of_the_text",
             "[generale]\r\nlunghezza percorso, 30000\r\n[curve]\r\npendenza, 7100\r\n", fermo,
             {{"error-25", 'l', 4}}},
        Case{"a_progressive_not_a_multiple_of_50",
             "[generale]\r\nlunghezza percorso, 30000\r\nprogressiva chilometrica uno, 0, 82825, "
             "1\r\n[curve]\r\n[fine]\r\n",
             fermo, {{"error-2", 'l', 3}}},
        Case{"no_free_cell_in_a_window_before_a_slowdown", binario,
             train_with("rallentamento, 20000, 120, 500, 0, 0, 0\r\nabbattimento, 19700, 0\r\n"
                       "abbattimento, 19750, 0\r\nabbattimento, 19800, 0\r\n"),
             {{"error-12", 't', 2}}},
        Case{"a_feature_in_track_cell_1", binario, train_with("segnale, 0, 2, 3" + segnale.substr(5)),
             {{"error-1250", 't', 2}}},
        Case{"generale_as_the_last_field", "sfondo, 1\r\n[generale]", fermo,
             {{"error-102", 'l', 2}}},
        Case{"a_row_past_the_track", line_with("pendenza, 36950, 1\r\n", 30000), fermo,
             {{"error-15", 'l', 4}}},
        Case{"an_error_replaced_by_a_later_one",
             line_with("pendenza, 36950, 1\r\n", 30000),
             train_with("segnale, 5000" + segnale + "segnale, 5000" + segnale),
             // The line's error 15 becomes a note of the train's error 16.
             {{"error-16", 't', 3}}}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST(Diagnostics, SoundTextsStayQuiet) {
  EXPECT_EQ(compile(joined_lines(righe_linea()), joined_lines(righe_treno())).seen, std::vector<Seen>{});
  // Quoted names with commas, hyphenated and Windows-1252 accented names,
  // comment lines with a hyphen, a comment between two records.
  const std::string linea = line_with(
      "- le curve della linea, da nord a sud\r\n"
      "curvad3, 800, 450\r\n"
      "------------------------------------\r\n"
      "pendenza, 1000, 3\r\n"
      "cartello indicatore, 2000, \"VEDONA, BIVIO\"\r\n",
      30000);
  const std::string treno = train_with(
      "- stazioni -\r\n"
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, LOVEDRO-CORTINO\r\n"
      "stazione, 3000, 11, 200, 0, 0, 1, 1,1,0, 4,1,1, 220, 0, 0, 0, \"VEDONA, C.LE\"\r\n"
      "stazione, 11150, 22, 500, 0, 0, 1, 0,0,0, 4,1,1, 0, 0, 0, 0, CITT\xC0 D'ELMA\r\n"
      "- segnali, in ordine -\r\n"
      "segnale, 5000" + segnale);
  const Compiled c = compile(linea, treno);
  EXPECT_EQ(c.seen, std::vector<Seen>{});
  EXPECT_EQ(c.m.tabella_percorso[2].testo, "VEDONA, C.LE");

  // A title comment before [generale] that names records is still a comment.
  const std::string titolo = "- Belvara-Quintosa: pendenza, segnale e stazione, ver. 2\r\n";
  EXPECT_EQ(compile(titolo + linea, titolo + treno).seen, std::vector<Seen>{});
}

// A row written with tabs is one keyword field: the message says so rather
// than count the values its line seems to lack.
TEST(Diagnostics, ARowWrittenWithTabsIsNamedForThem) {
  auto messages = [](const Compiled& c) {
    std::string all;
    for (const Diagnostic& d : c.m.diagnostics) all += d.message + "\n";
    return all;
  };
  const std::string tabs = "values are separated by commas; this row uses tabs";
  // Its values then come from the rows after it: the text cannot be read.
  const Compiled failed =
      compile(binario, train_with("segnale\t5000\t2\t4\t0\t0\t0\t0\t0\t0\t0\t0\r\n"
                                 "segnale, 9000" + segnale));
  EXPECT_NE(messages(failed).find("'segnale' takes 11 values: " + tabs), std::string::npos)
      << messages(failed);
  // Or they happen to be enough: a warning.
  const Compiled warned =
      compile(binario, train_with("velocita\t0\t100\r\n3000, 150\r\n"));
  EXPECT_NE(messages(warned).find(tabs), std::string::npos)
      << messages(warned);
  EXPECT_EQ(messages(warned).find("this row has"), std::string::npos);
}

TEST(Diagnostics, NotesNameTheRowThatHoldsAContestedCell) {
  // A signal on the stop cell of a station: the note stands at the
  // station's row.
  const std::string treno = train_with(
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, VALDORA\r\n"
      "segnale, 600" + segnale);
  const Compiled c = compile(binario, treno);
  ASSERT_EQ(c.m.diagnostics.size(), 1u);
  const Diagnostic& d = c.m.diagnostics[0];
  EXPECT_EQ(d.code, "error-16");
  EXPECT_EQ(d.message, "signal on a cell that is already in use (position 600 m)");
  // The caret under the position.
  EXPECT_EQ(treno.substr(d.at.offset, d.at.length), "600");
  ASSERT_EQ(d.notes.size(), 3u);
  EXPECT_EQ(d.notes[0].message,
            "track cell 13 (600 to 650 m) already holds the stop cell of station VALDORA, written "
            "here");
  EXPECT_EQ(d.notes[0].at.text, Text::treno);
  EXPECT_EQ(FieldReader::locate(treno, d.notes[0].at.offset).line, 2u);
  EXPECT_EQ(d.notes[2].message, find_error(16)->remedy);

  // The origins behind the cells: the station row wrote cell 13's feature
  // and its approach marks, the speed rows the speed bytes.
  const std::size_t stazione = treno.find("stazione");
  EXPECT_EQ(c.m.origins.cell(13)->feature, RowRef(Text::treno, stazione));
  EXPECT_EQ(c.m.origins.cell(12)->mark, RowRef(Text::treno, stazione));
  EXPECT_EQ(c.m.origins.entries[1], RowRef(Text::treno, stazione));
  EXPECT_FALSE(c.m.origins.cell(20)->feature.known());
}

TEST(Diagnostics, ProfileBytesKnowTheirRows) {
  // Each gradient and speed step writes its value from its cell on; before
  // the first step the cells carry the starting value of no row.
  const std::string linea = line_with("pendenza, 1000, 3\r\npendenza, 7100, 4\r\n", 30000);
  const std::string treno = train_with("velocita, 0, 100\r\nvelocita, 3000, 150\r\n");
  const Compiled c = compile(linea, treno);
  ASSERT_EQ(c.seen, std::vector<Seen>{});
  const RowRef primo(Text::linea, linea.find("pendenza, 1000")),
      secondo(Text::linea, linea.find("pendenza, 7100"));
  EXPECT_FALSE(c.m.origins.gradient.at(19).known());
  EXPECT_EQ(c.m.origins.gradient.at(20), primo);
  EXPECT_EQ(c.m.origins.gradient.at(141), primo);
  EXPECT_EQ(c.m.origins.gradient.at(142), secondo);
  EXPECT_EQ(c.m.origins.gradient.at(737), secondo);  // the last cell written, N - 3
  const RowRef veloce(Text::treno, treno.find("velocita, 3000"));
  EXPECT_EQ(c.m.origins.speed.at(59), RowRef(Text::treno, treno.find("velocita, 0")));
  EXPECT_EQ(c.m.origins.speed.at(60), veloce);
  EXPECT_FALSE(c.m.origins.adhesion.at(60).known());
}

TEST(Diagnostics, EveryErrorNumberHasItsRow) {
  for (std::int32_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21,
                         22, 24, 25, 101, 102, 103, 1250, 1251}) {
    const ErrorEntry* v = find_error(n);
    ASSERT_NE(v, nullptr) << n;
    EXPECT_EQ(numero(v->number), n);
    EXPECT_EQ(&find_error(v->number), v) << n;
  }
}

}  // namespace
