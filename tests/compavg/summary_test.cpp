// Bootstrap average and standard error of a column, in replicate order.
#include "compavg/summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "shared/storage.h"

namespace kelvaro {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

void fill_column(int k, const std::vector<float>& values) {
  reset_storage();
  for (int i = 1; i <= static_cast<int>(values.size()); ++i) work04.boot(i, k) = values[i - 1];
  // Rows beyond n must not count.
  work04.boot(static_cast<int>(values.size()) + 1, k) = 1.0e6f;
}

TEST(Summary, AverageAndErrorOfReplicateColumns) {
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
    fill_column(6, c.values);
    const int n = static_cast<int>(c.values.size());
    const float average = boot_average(6, n);
    if (std::isnan(c.average)) {
      EXPECT_TRUE(std::isnan(average)) << average;
    } else {
      EXPECT_EQ(average, c.average);
    }
    const float error = boot_error(6, n, average);
    if (std::isnan(c.error)) {
      EXPECT_TRUE(std::isnan(error)) << error;
    } else {
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST(Summary, AverageKeepsASingleRunningSum) {
  // 2^24 + 1 rounds back to 2^24 twice, so the sum is 2^24 and the mean 16777216/3 = 5592405.33
  // -> 5592405.5 (a double sum would give 16777218/3 = 5592406).
  fill_column(2, {16777216.0f, 1.0f, 1.0f});
  EXPECT_EQ(boot_average(2, 3), 5592405.5f);
}

TEST(Summary, NoReplicatesGiveNaNAverageAndNegativeZeroError) {
  fill_column(9, {});
  const float average = boot_average(9, 0);
  EXPECT_TRUE(std::isnan(average));
  const float error = boot_error(9, 0, average);
  EXPECT_EQ(error, 0.0f);
  EXPECT_TRUE(std::signbit(error));  // sqrt(0 / -1) = sqrt(-0.0)
}

TEST(Summary, ErrorRoundedOnceFromDouble) {
  // Values 0 and 1: mean 0.5, sum of squares 0.5, divisor 1: sqrt(0.5) = 0.70710678118...,
  // rounded once to the nearest single, 0.707106769.
  fill_column(1, {0.0f, 1.0f});
  EXPECT_EQ(boot_error(1, 2, boot_average(1, 2)), 0.707106769f);
}

}  // namespace
}  // namespace kelvaro
