// The description-format doc's tables of values are the record table's:
// what each value becomes, its width, its range and what happens outside
// it. A change to either that the other does not follow fails here.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "rows/records.h"
#include "test_support.h"

namespace {

using namespace scenario;

std::string width(const ValueInfo& v) {
  switch (v.storage) {
    case Storage::whole: return "32-bit signed";
    case Storage::small: return "16-bit signed";
    case Storage::byte: return "byte";
    case Storage::low_byte: return "byte, its low 8 bits";
    case Storage::fifth: return "byte, in steps of 5";
    case Storage::text: return "text";
  }
  return "";
}

bool any_32(const ValueInfo& v) {
  return v.min == std::numeric_limits<std::int32_t>::min() &&
         v.max == std::numeric_limits<std::int32_t>::max();
}

std::string range(const ValueInfo& v) {
  if (v.storage == Storage::text) return "up to " + std::to_string(v.max) + " bytes";
  if (v.multiple_of != 0) return "a multiple of " + std::to_string(v.multiple_of);
  if (any_32(v)) return "any";
  return std::to_string(v.min) + " to " + std::to_string(v.max);
}

std::string outside(const ValueInfo& v) {
  switch (v.outside) {
    case Outside::nothing: return any_32(v) ? "" : "stored as read; warning `value-out-of-range`";
    case Outside::failure: return "error 25";
    case Outside::wraps: return "its low 8 bits are kept; warning `value-out-of-range`";
    case Outside::error: return "error " + std::to_string(v.error);
  }
  return "";
}

// The doc's section, as the table gives it.
std::string rendered() {
  std::string out;
  for (const RecordInfo& r : records()) {
    out += "\n`" + std::string(r.keyword) + "` (" + std::string(r.title) + ")\n\n";
    out += "| value | what the compiler makes of it | width | range | outside the range |\n";
    out += "|---|---|---|---|---|\n";
    for (const ValueInfo& v : r.values)
      out += "| " + std::string(v.name) + " | " + std::string(v.becomes) + " | " + width(v) + " | " +
             range(v) + " | " + outside(v) + " |\n";
  }
  return out;
}

TEST(ValueDoc, TheValueTablesAreTheRecordTables) {
  const std::string doc =
      testing_support::read_bytes(std::string(GOLDEN_DIR) + "/../../doc/description-formats.md");
  const std::string begin = "<!-- value tables: begin -->\n", end = "<!-- value tables: end -->";
  const std::size_t from = doc.find(begin), to = doc.find(end);
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  EXPECT_EQ(doc.substr(from + begin.size(), to - from - begin.size()), rendered() + "\n");
}

}  // namespace
