// Checking time is linear in the text whatever its shape: a text written on
// one long line checks about as fast as the same fields with line ends
// between them (the warnings once looked at the whole line again for every
// field, which made one line of 400,000 commas take over a minute).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "tool/check.h"
#include "long_lines.h"

namespace {

using Clock = std::chrono::steady_clock;

// The best of three checks, in milliseconds.
double check_ms(const std::string& line, const std::string& train) {
  const scenarioc::Sources s{{"linea", line}, {"treno", train}};
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    const auto t0 = Clock::now();
    scenarioc::check_sources(s, {"Belvara_Quintosa", "254"}, {}, false);
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

TEST(LongLine, ChecksAMegabyteOnOneLineAsFastAsOnManyLines) {
  using testing_support::commas_text;
  using testing_support::curve_rows_text;
  const std::string line = scenario::joined_lines(scenario::righe_linea());
  const std::string train = scenario::joined_lines(scenario::righe_treno());
  constexpr std::size_t megabyte = 1 << 20;
  constexpr int curves = 48'000;  // about 1 MB
  struct Shape {
    const char* what;
    double one_line, many_lines;
  };
  const Shape shapes[] = {
      {"a train text of commas only", check_ms(line, commas_text(megabyte, true)),
       check_ms(line, commas_text(megabyte, false))},
      {"a line text of curve rows", check_ms(curve_rows_text(curves, true), train),
       check_ms(curve_rows_text(curves, false), train)},
  };
  for (const Shape& s : shapes) {
    // Quadratic time took minutes here; the slack keeps a loaded machine
    // from failing the test.
    EXPECT_LT(s.one_line, 3 * s.many_lines + 200) << s.what << ": " << s.one_line << " ms on one line, "
                                                  << s.many_lines << " ms on many";
  }
}

}  // namespace
