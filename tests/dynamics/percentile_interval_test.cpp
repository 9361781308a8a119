// Percentile limits of a replicate column: the ranks for each number of replicates, the stand-in
// for rank 0, and that only values[0..n-1] are touched.
#include "dynamics/percentile_interval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kelvaro {
namespace {

// The values n, n-1, ..., 1 (value = rank after sorting), then one guard value of -1.
std::vector<float> descending(int n) {
  std::vector<float> v(static_cast<std::size_t>(n) + 1, -1.0f);
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = static_cast<float>(n - i);
  return v;
}

TEST(PercentileInterval, RanksNearestTwoAndAHalfPercent) {
  struct Case {
    int n;
    float lower;
    float upper;
  } cases[] = {
      {20, 1, 19},
      {50, 1, 49},
      {59, 1, 58},
      {60, 2, 58},
      {100, 3, 97},
      {101, 3, 98},
      {1000, 25, 975},
      {10000, 250, 9750},
      // Fewer than 20: no lower rank; the smallest and the largest value.
      {19, 1, 19},
      {5, 1, 5},
      {1, 1, 1},
      // Halves go upward: 140/40 = 3.5 -> 4; 139/40 = 3.475 -> 3.
      {139, 3, 136},
      {140, 4, 136},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    std::vector<float> v = descending(c.n);
    const PercentileInterval got = percentile_interval(v.data(), c.n);
    EXPECT_EQ(got.lower, c.lower);
    EXPECT_EQ(got.upper, c.upper);
  }
}

TEST(PercentileInterval, RankIsNOver40RoundedHalfUpForEveryReplicateCount) {
  for (int n = 0; n <= 10000; ++n) {
    ASSERT_EQ(lower_rank(n), (n + 20) / 40) << "n = " << n;
  }
}

TEST(PercentileInterval, NoReplicatesGiveNaNLimitsAndTouchNothing) {
  std::vector<float> v = descending(0);
  const PercentileInterval got = percentile_interval(v.data(), 0);
  EXPECT_TRUE(std::isnan(got.lower));
  EXPECT_TRUE(std::isnan(got.upper));
  EXPECT_EQ(v[0], -1.0f);
}

TEST(PercentileInterval, SortsOnlyTheFirstNValues) {
  std::vector<float> v = descending(30);
  percentile_interval(v.data(), 30);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(v[static_cast<std::size_t>(i)], i + 1.0f) << i;
  EXPECT_EQ(v[30], -1.0f);
}

}  // namespace
}  // namespace kelvaro
