#include "model/errors.h"

#include <gtest/gtest.h>

namespace {

using namespace scenario;

TEST(ErrorTable, EveryNumberInUseHasAnExplanationAndOnlyThose) {
  for (std::int32_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 101,
                         102, 103, 1250, 1251}) {
    const ErrorEntry* v = find_error(n);
    ASSERT_NE(v, nullptr) << n;
    EXPECT_FALSE(v->testo.empty()) << n;
    EXPECT_FALSE(v->remedy.empty()) << n;
  }
  for (std::int32_t n : {14, 23, 26, 100, 104, 1249, 1252, -1}) EXPECT_EQ(find_error(n), nullptr) << n;
  EXPECT_EQ(explain_error(23), "unknown error");
}

TEST(ErrorTable, SummaryLineCarriesThePositionOnlyWhereOneGoes) {
  EXPECT_EQ(error_summary(12, 2500), "error 12 at 2500 m: no free cell in a window before a slowdown start");
  EXPECT_EQ(error_summary(101, 2500), "error 101: line description file missing");
}

}  // namespace
