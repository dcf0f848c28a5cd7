#include "warning_test_support.h"

#include <vector>

#include "model/diagnostics.h"

namespace testing_support {

Compiled compile_placed(const std::string& line_text, const std::string& train_text) {
  return compile_in_memory(line_text, train_text, Place::line_and_column);
}

std::string message_of(const Compiled& c, std::string_view code) {
  for (const scenario::Diagnostic& d : c.m.diagnostics)
    if (d.code == code) return d.message;
  return "(no " + std::string(code) + ")";
}

std::string station_row(int position, const std::string& time, const std::string& name, int length) {
  return "stazione, " + std::to_string(position) + ", 8, " + std::to_string(length) +
         ", 0, 1, 0, 1,1,0, 4,1,1, 1, " + time + ", " + name + "\r\n";
}

void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

std::string case_name(const testing::TestParamInfo<WarningCase>& info) { return info.param.name; }

TEST_P(WarningTwins, NameTheirPlaceAndTheTwinStaysQuiet) {
  const WarningCase& c = GetParam();
  EXPECT_EQ(compile_placed(c.line_text, c.train_text).seen, std::vector<Seen>{c.want});
  EXPECT_EQ(compile_placed(c.quiet_line_text, c.quiet_train_text).seen, std::vector<Seen>{});
}

}  // namespace testing_support
