#include "text/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using scenario::FieldReader;
using scenario::ReadFailure;

namespace {

// A sequence of reads: 't' for a text field, 'n' for a number field.
struct Case {
  const char* name;
  std::string input;
  std::string reads;
  std::vector<std::string> expected;  // texts as read, numbers in decimal
  bool eof_after;
};

std::vector<std::string> run(const Case& c, FieldReader& r) {
  std::vector<std::string> out;
  for (char kind : c.reads)
    out.push_back(kind == 't' ? std::string(r.text()) : std::to_string(r.number()));
  return out;
}

TEST(FieldReader, ReadsFieldsByTheSharedRules) {
  const std::vector<Case> cases = {
      {"keyword then numbers", "curvad3,  800,  450\r\n", "tnn", {"curvad3", "800", "450"}, true},
      {"empty number fields read 0",
       "indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0\r\n", "tnnnnnnnnn",
       {"indicatori_vmax", "3150", "140", "150", "160", "0", "0", "0", "0", "0"}, true},
      {"blanks separate numbers", "orologio,    13              56            15 \r\n", "tnnn",
       {"orologio", "13", "56", "15"}, true},
      {"commas separate the same numbers", "orologio, 13, 56, 15\r\n", "tnnn",
       {"orologio", "13", "56", "15"}, true},
      {"a record runs on into the next line", "velocita, 100\r\n  150\r\n", "tnn",
       {"velocita", "100", "150"}, true},
      {"surplus fields go to the next read", "a, 1, 2\r\nb\r\n", "tntt", {"a", "1", "2", "b"}, true},
      {"negative numbers", "pendenza,  29700,   -1\r\n", "tnn", {"pendenza", "29700", "-1"}, true},
      {"a text runs to the comma, trailing blanks dropped", "  BIVIO CERSA  , x\n", "tt",
       {"BIVIO CERSA", "x"}, true},
      {"a quoted text keeps its comma", "\"a, b\" , c\n", "tt", {"a, b", "c"}, true},
      {"lone LF and lone CR end lines", "a\nb\rc\r\n", "ttt", {"a", "b", "c"}, true},
      {"an empty line is an empty text", "a\r\n\r\nb\r\n", "ttt", {"a", "", "b"}, true},
      {"a number at line end before a blank line", "x, 5\r\n\r\n", "tnt", {"x", "5", ""}, true},
      {"the last field without line end", "a, 7", "tn", {"a", "7"}, true},
      {"32-bit limits", "2147483647, -2147483648\n", "nn", {"2147483647", "-2147483648"}, true},
      {"station name is the rest of the line",
       "0, 13,57, 0, TESSANO D'ELMA\r\n[fine]\r\n", "nnnntt",
       {"0", "13", "57", "0", "TESSANO D'ELMA", "[fine]"}, true},
  };
  for (const Case& c : cases) {
    FieldReader r(c.input);
    EXPECT_EQ(run(c, r), c.expected) << c.name;
    EXPECT_EQ(r.eof(), c.eof_after) << c.name;
  }
}

TEST(FieldReader, RefusesWhatIsNotAWholeNumberAndReadingPastTheEnd) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"12abc", "not a whole number"},   {"abc", "not a whole number"},
      {"-", "not a whole number"},       {"3.5", "not a whole number"},
      {"2147483648", "32 bits"},         {"-2147483649", "32 bits"},
      {"99999999999999999999", "32 bits"},
  };
  for (const auto& [input, message] : bad) {
    const std::string text = "x, " + input + ", 1\r\n";
    FieldReader r(text);
    r.text();
    try {
      r.number();
      ADD_FAILURE() << input << " was accepted";
    } catch (const ReadFailure& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
      EXPECT_EQ(e.offset(), 3u) << input;
    }
  }
  FieldReader r("a\r\n");
  r.text();
  EXPECT_TRUE(r.eof());
  EXPECT_THROW(r.number(), ReadFailure);
  EXPECT_THROW(r.text(), ReadFailure);
}

// Spans as the reads took them: the bytes of each field, and a malformed
// number passed over by the editor's lenient read.
TEST(FieldReader, RecordsWhereEachFieldLies) {
  const std::string text = "  segnale , 10050 20,\"a, b\" x,  12abc , ,\r\n7";
  FieldReader r(text);
  std::vector<scenario::FieldSpan> spans;
  r.record_spans(&spans);
  r.text();
  EXPECT_EQ(r.number(), 10050);
  EXPECT_EQ(r.number(), 20);
  EXPECT_EQ(r.text(), "a, b");
  EXPECT_EQ(r.number_if_any(), std::nullopt);
  EXPECT_EQ(r.number_if_any(), 0);  // an empty field still reads 0
  EXPECT_EQ(r.number_if_any(), 0);  // the one before the line end too
  EXPECT_EQ(r.number_if_any(), 7);
  std::vector<std::string> seen;
  for (const scenario::FieldSpan& s : spans) seen.push_back(text.substr(s.offset, s.length));
  EXPECT_EQ(seen, (std::vector<std::string>{"segnale", "10050", "20", "\"a, b\"", "12abc", "", "",
                                            "7"}));
  EXPECT_THROW(r.number_if_any(), ReadFailure);  // the end of the text is no number either
}

TEST(FieldReader, LocatesLinesAndColumnsForMessages) {
  const std::string text = "[generale]\r\nlunghezza percorso,  85000\r\nsfondo uno, x\n";
  FieldReader r(text);
  r.text();
  r.text();
  r.number();
  r.text();
  EXPECT_THROW(r.number(), ReadFailure);
  const std::size_t at = text.find('x');
  const scenario::Location loc = FieldReader::locate(text, at);
  EXPECT_EQ(loc.line, 3u);
  EXPECT_EQ(loc.column, 13u);
  EXPECT_EQ(FieldReader::line_at(text, at), "sfondo uno, x");
  EXPECT_EQ(FieldReader::locate(text, text.find("85000")).line, 2u);
}

}  // namespace
