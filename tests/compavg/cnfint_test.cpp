// Percentile limits of a replicate column: the ranks for each number of replicates, the stand-in
// for rank 0, and that only the column's rows 1..n are touched.
#include "compavg/cnfint.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shared/storage.h"

namespace kelvaro {
namespace {

// Column k holds the values n, n-1, ..., 1 (value = rank after sorting); everything else -1.
void fill_descending(int k, int n) {
  reset_storage();
  for (int c = 1; c <= 12; ++c) {
    for (int i = 1; i <= 10000; ++i) work04.boot(i, c) = -1.0f;
  }
  for (int i = 1; i <= n; ++i) work04.boot(i, k) = static_cast<float>(n + 1 - i);
}

TEST(Cnfint, RanksNearestTwoAndAHalfPercent) {
  struct Case {
    int n;
    float lower;
    float upper;
  } cases[] = {
      {20, 1, 19},       {50, 1, 49},     {59, 1, 58},      {60, 2, 58},
      {100, 3, 97},      {101, 3, 98},    {1000, 25, 975},  {10000, 250, 9750},
      // Fewer than 20: no lower rank; the smallest and the largest value.
      {19, 1, 19},       {5, 1, 5},       {1, 1, 1},
      // Halves go upward: 140/40 = 3.5 -> 4; 139/40 = 3.475 -> 3.
      {139, 3, 136},     {140, 4, 136},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    fill_descending(7, c.n);
    float lower = 0.0f;
    float upper = 0.0f;
    cnfint(7, c.n, lower, upper);
    EXPECT_EQ(lower, c.lower);
    EXPECT_EQ(upper, c.upper);
  }
}

TEST(Cnfint, RankIsNOver40RoundedHalfUpForEveryReplicateCount) {
  for (int n = 0; n <= 10000; ++n) {
    ASSERT_EQ(cnfint_rank(n), (n + 20) / 40) << "n = " << n;
  }
}

TEST(Cnfint, NoReplicatesGiveNaNLimitsAndTouchNothing) {
  fill_descending(5, 0);
  float lower = 0.0f;
  float upper = 0.0f;
  cnfint(5, 0, lower, upper);
  EXPECT_TRUE(std::isnan(lower));
  EXPECT_TRUE(std::isnan(upper));
  EXPECT_EQ(work04.boot(1, 5), -1.0f);
}

TEST(Cnfint, SortsOnlyRowsOneToNOfItsColumn) {
  fill_descending(11, 30);
  float lower = 0.0f;
  float upper = 0.0f;
  cnfint(11, 30, lower, upper);
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(work04.boot(i, 11), static_cast<float>(i)) << i;
  EXPECT_EQ(work04.boot(31, 11), -1.0f);
  EXPECT_EQ(work04.boot(10000, 11), -1.0f);
  for (int c : {10, 12}) {
    for (int i = 1; i <= 30; ++i) ASSERT_EQ(work04.boot(i, c), -1.0f) << c << "," << i;
  }
}

}  // namespace
}  // namespace kelvaro
