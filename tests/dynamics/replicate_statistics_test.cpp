// Bootstrap average and standard error of a column, in replicate order.
#include "dynamics/replicate_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kelvaro {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// The values followed by one that must not count.
std::vector<float> column(std::vector<float> values) {
  values.push_back(1.0e6f);
  return values;
}

TEST(ReplicateStatistics, AverageAndErrorOfReplicateColumns) {
  struct Case {
    const char* name;
    std::vector<float> values;
    float average;
    float error;  // NaN: expect NaN
  } cases[] = {
      // 1..20 shuffled: mean 10.5; squared deviations sum to 665, 665/19 = 35.
      {"1..20",
       {7, 3, 20, 1, 15, 9, 12, 2, 18, 5, 11, 4, 16, 8, 19, 6, 14, 10, 17, 13},
       10.5f,
       std::sqrt(35.0f)},
      {"all equal", {2.5f, 2.5f, 2.5f, 2.5f}, 2.5f, 0.0f},
      {"one replicate: 0/0", {4.25f}, 4.25f, kNaN},
      {"a NaN replicate counts", {1.0f, kNaN, 3.0f}, kNaN, kNaN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<float> v = column(c.values);
    const int n = static_cast<int>(c.values.size());
    const float average = replicate_average(v.data(), n);
    if (std::isnan(c.average)) {
      EXPECT_TRUE(std::isnan(average)) << average;
    } else {
      EXPECT_EQ(average, c.average);
    }
    const float error = replicate_error(v.data(), n, average);
    if (std::isnan(c.error)) {
      EXPECT_TRUE(std::isnan(error)) << error;
    } else {
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST(ReplicateStatistics, AverageKeepsASingleRunningSum) {
  // 2^24 + 1 rounds back to 2^24 twice, so the sum is 2^24 and the mean 16777216/3 = 5592405.33
  // -> 5592405.5 (a double sum would give 16777218/3 = 5592406).
  EXPECT_EQ(replicate_average(column({16777216.0f, 1.0f, 1.0f}).data(), 3), 5592405.5f);
}

TEST(ReplicateStatistics, NoReplicatesGiveNaNAverageAndNegativeZeroError) {
  const std::vector<float> v = column({});
  const float average = replicate_average(v.data(), 0);
  EXPECT_TRUE(std::isnan(average));
  const float error = replicate_error(v.data(), 0, average);
  EXPECT_EQ(error, 0.0f);
  EXPECT_TRUE(std::signbit(error));  // sqrt(0 / -1) = sqrt(-0.0)
}

TEST(ReplicateStatistics, ErrorRoundedOnceFromDouble) {
  // Values 0 and 1: mean 0.5, sum of squares 0.5, divisor 1: sqrt(0.5) = 0.70710678118...,
  // rounded once to the nearest single, 0.707106769.
  const std::vector<float> v = column({0.0f, 1.0f});
  EXPECT_EQ(replicate_error(v.data(), 2, replicate_average(v.data(), 2)), 0.707106769f);
}

}  // namespace
}  // namespace kelvaro
