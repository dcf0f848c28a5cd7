// The record tables of doc/description-formats.md are the record table's:
// the doc holds each section's table exactly as it is rendered here, so a
// keyword, a test, a value or a range cannot change in one place only.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "rows/records.h"

namespace {

using namespace scenario;

std::string words_of(const KeywordTest& t) {
  std::string out = "`" + std::string(t.words[0]) + "`";
  if (!t.words[1].empty()) out += " and `" + std::string(t.words[1]) + "`";
  return out;
}

std::string range_of(const ValueInfo& v) {
  const bool full = v.min == std::numeric_limits<std::int32_t>::min() &&
                    v.max == std::numeric_limits<std::int32_t>::max();
  switch (v.storage) {
    case Storage::whole: return full ? "" : std::to_string(v.min) + " to " + std::to_string(v.max);
    case Storage::small: return "16-bit";
    case Storage::byte: return "0 to 255";
    case Storage::low_byte:
      return v.min == 0 && v.max == 255 ? "low 8 bits"
                                        : std::to_string(v.min) + " to " + std::to_string(v.max);
    case Storage::fifth:
      return std::to_string(v.min) + " to " + std::to_string(v.max) + ", in steps of 5";
    case Storage::text: return "text";
  }
  return "";
}

std::string render(Section s) {
  std::string md = "| record | keyword contains | values | meaning |\n|---|---|---|---|\n";
  for (const RecordInfo& r : records_in(s)) {
    std::string values;
    for (const ValueInfo& v : r.values) {
      const std::string range = range_of(v);
      values += (values.empty() ? "" : ", ") + std::string(v.name) + (range.empty() ? "" : " (" + range + ")");
    }
    md += "| " + std::string(r.title) + " | " + words_of(r.test) +
          (r.test.letter_case == LetterCase::exact ? " (exact case)" : "") + " | " + values + " | " +
          std::string(r.meaning) + " |\n";
  }
  return md;
}

TEST(RecordDoc, TheDocHoldsEachSectionsTableAsTheRecordTableHasIt) {
  std::ifstream in(std::string(GOLDEN_DIR) + "/../../doc/description-formats.md", std::ios::binary);
  ASSERT_TRUE(in) << "doc/description-formats.md";
  std::stringstream doc;
  doc << in.rdbuf();
  for (const Section s : {Section::general, Section::body, Section::train}) {
    const std::string table = render(s);
    EXPECT_NE(doc.str().find(table), std::string::npos)
        << "doc/description-formats.md lacks this table, or has it otherwise:\n" << table;
  }
}

}  // namespace
