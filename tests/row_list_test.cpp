// The row list: one walk that reads a description text as both readers'
// contract says, keeps where reading fails as a value, and is built once
// per text of a compile.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "rows/row_list.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"

namespace {

using namespace scenario;

// "title: v1 v2" per row ("+" before a further record of the same keyword
// field, "(field)" for a keyword field that passes no test but is shaped
// like a row), then where
// reading failed: "failure at row.value".
std::vector<std::string> described(const RowList& l) {
  std::vector<std::string> out;
  for (const Row& r : l.rows) {
    if (!r.record) {
      out.push_back("(" + std::string(l.text_of(r.keyword)) + ")");
      continue;
    }
    std::string s = (r.continues ? "+" : "") + std::string(r.record->title) + ":";
    for (const Field& v : l.values_of(r)) s += " " + std::string(l.text_of(v));
    out.push_back(s);
  }
  if (l.failure)
    out.push_back("failure at " + std::to_string(l.failure->row) + "." + std::to_string(l.failure->value));
  return out;
}

TEST(RowList, ReadsTheFieldStreamAsTheReadersDo) {
  struct Case {
    const char* what;
    std::string text;
    Text which;
    bool curves;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"values run past their line; one field is read as two records, each with its own values",
       "[generale]\r\nvetture sabbia, 3\r\n 4\r\n[fine]", Text::treno, false,
       {"cars: 3", "+sand: 4"}},
      {"two comment fields are skipped, a third is a keyword field whatever it holds",
       "x, 1\r\n[generale]\r\n-a, -b, -c vetture, 4\r\n[fine]", Text::treno, false,
       {"cars: 4"}},
      {"the general section ends at a bracketed field that is no comment",
       "[generale]\r\n- [nota]\r\nsfondo uno, 2\r\n[curve]\r\npendenza, 0, 3\r\n[fine]", Text::linea, false,
       {"background one: 2", "gradient: 0 3"}},
      {"curves are records only while the plan is built",
       "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncurvad3, 800, 450\r\n[fine]", Text::linea, false,
       {"route length: 1000", "(curvad3)"}},
      {"curves are records only while the plan is built (with the plan)",
       "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncurvad3, 800, 450\r\n[fine]", Text::linea, true,
       {"route length: 1000", "curve: 800 450"}},
      {"a value that is no number fails there, and the walk goes on",
       "[generale]\r\nvetture, 12.5\r\nsabbia, 3\r\n[fine]", Text::treno, false,
       {"cars: 12.5", "sand: 3", "failure at 0.0"}},
      {"the text ends inside a row",
       "[generale]\r\nabbattimento, 1, \r\nsegnale, 1, 2", Text::treno, false,
       {"abbattimento point: 1 ", "signal: 1 2", "failure at 1.2"}},
      {"the general section reads its comment fields past the text's end",
       "[generale]\r\nsfondo uno, 2\r\n-a\r\n-b", Text::linea, false,
       {"background one: 2", "failure at 1.0"}},
  };
  for (const Case& c : cases) {
    const RowList l = read_rows(c.text, c.which, c.curves);
    EXPECT_EQ(described(l), c.rows) << c.what;
  }
}

TEST(RowList, KeepsThePreambleAndTheGeneraleField) {
  const RowList train = read_rows("vetture, 3\r\ntitolo\r\n[GENERALE]\r\nsabbia, 1\r\n", Text::treno, false);
  ASSERT_EQ(train.preamble.size(), 1u);  // only fields shaped like a record
  EXPECT_EQ(train.text_of(train.preamble[0]), "vetture");
  ASSERT_TRUE(train.generale_read);
  EXPECT_EQ(train.generale->offset, 20u);

  // The line description's last field is never read, not even [generale].
  const RowList line = read_rows("titolo\r\n[generale]", Text::linea, true);
  EXPECT_FALSE(line.generale_read);
  ASSERT_TRUE(line.generale);
  EXPECT_EQ(line.generale->offset, 8u);
  EXPECT_TRUE(line.rows.empty());
}

// A row's failure fires only where the reader reaches the value: a row
// that ends the reading first, or a row before it that abandons it, keeps
// its own error.
TEST(RowList, ReadersStopWhereTheyReachAFailure) {
  struct Case {
    const char* what;
    std::string rows;
    std::int32_t error;
  };
  // A station's values after its fourth.
  const std::string rest = "1, 0,  1,1,0,  4,1,1,    1,  13,57, 0, VALDORA\r\n";
  const Case cases[] = {
      {"a value that is no number", "vetture, x\r\n", 25},
      {"a station refused before its malformed value is reached", "stazione, 125, 8, 700, x, " + rest, 8},
      {"a station beyond the track before its malformed value",
       "stazione, 2000000, 8, 700, x, " + rest, 15},
      {"a malformed row after a refused one", "stazione, 125, 8, 700, 0, " + rest + "vetture, x\r\n", 8},
  };
  const std::string line = joined_lines(righe_linea());
  for (const Case& c : cases) {
    const std::string train = "[generale]\r\n" + c.rows + "[fine]\r\n";
    TextInMemory l(line, "linea"), t(train, "treno");
    const CompileResult r = compile({l, t}, {.names = {"Belvara_Quintosa", "254"}, .read_curves = false});
    EXPECT_EQ(r.model.numero_errore, c.error) << c.what;
  }
}

TEST(RowList, IsBuiltOncePerTextOfACompile) {
  const std::string line = joined_lines(righe_linea()), train = joined_lines(righe_treno());
  for (const bool plan : {false, true}) {
    const std::uint64_t before = row_lists_built();
    TextInMemory l(line, "linea"), t(train, "treno");
    const CompileResult r = compile({l, t}, {.names = {"Belvara_Quintosa", "254"}, .read_curves = plan, .build_plan = plan});
    EXPECT_TRUE(r.status.ok());
    EXPECT_EQ(row_lists_built() - before, 2u) << "plan " << plan;
  }
  // A line description that ends the reading leaves the train unread.
  const std::uint64_t before = row_lists_built();
  TextInMemory l(std::string_view("senza generale\r\n"), "linea"), t(train, "treno");
  compile({l, t}, {.names = {"Belvara_Quintosa", "254"}});
  EXPECT_EQ(row_lists_built() - before, 1u);
}

// Rows handed in are taken only when read from the very bytes compiled,
// with the same curves setting; stale rows would compile another text.
TEST(RowList, ACompileTakesRowsReadFromItsOwnBytesOnly) {
  const std::string line = joined_lines(righe_linea()), train = joined_lines(righe_treno());
  const std::string other = "[generale]\r\nlunghezza percorso, 5000\r\n[curve]\r\n[fine]\r\n";
  TextInMemory l0(line, "linea"), t0(train, "treno");
  const CompileResult walked = compile({l0, t0}, {.names = {"Belvara_Quintosa", "254"}});
  ASSERT_TRUE(walked.status.ok());
  ASSERT_TRUE(walked.line_rows && walked.train_rows);

  struct Case {
    const char* what;
    std::shared_ptr<const RowList> line_rows;
    std::uint64_t builds;
  };
  const Case cases[] = {
      {"the same bytes", walked.line_rows, 0},
      {"another text", read_rows(std::make_shared<const std::string>(other), Text::linea, true), 1},
      {"curves read otherwise", read_rows(std::make_shared<const std::string>(line), Text::linea, false), 1},
  };
  for (const Case& c : cases) {
    const std::uint64_t before = row_lists_built();
    TextInMemory l(line, "linea"), t(train, "treno");
    const CompileResult r = compile(
        {l, t}, {.names = {"Belvara_Quintosa", "254"}, .line_rows = c.line_rows, .train_rows = walked.train_rows});
    EXPECT_EQ(row_lists_built() - before, c.builds) << c.what;
    EXPECT_EQ(r.line_rows == c.line_rows, c.builds == 0) << c.what;
    EXPECT_EQ(r.train_rows, walked.train_rows) << c.what;
    EXPECT_EQ(r.line_rows->source, line) << c.what;
    EXPECT_EQ(r.model.celle.size(), walked.model.celle.size()) << c.what;
    EXPECT_EQ(r.model.diagnostics.size(), walked.model.diagnostics.size()) << c.what;
  }
}

}  // namespace
