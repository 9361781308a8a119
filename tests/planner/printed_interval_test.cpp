// Whether an interval as the report prints it holds the truth: the header's examples, rounding
// boundaries in pairs, and limits that are not finite.

#include "planner/printed_interval.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvaro::plan {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(PrintedInterval, UnitsAsTheReportRoundsThem) {
  const struct {
    float v;
    int decimals;
    std::int64_t units;
  } cases[] = {
      {0.12345f, 4, 1235}, {0.12344f, 4, 1234}, {0.125f, 2, 13},
      {-0.125f, 2, -13},   {99.994f, 2, 9999},  {99.996f, 2, 10000},
      {1.0f, 4, 10000},    {0.0f, 2, 0},        {123456.0f, 2, 12345600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " with " << c.decimals << " decimals");
    EXPECT_EQ(printed_units(c.v, c.decimals), c.units);
  }
  EXPECT_EQ(printed_units(kNaN, 2), std::nullopt);
  EXPECT_EQ(printed_units(kInf, 2), std::nullopt);
  EXPECT_EQ(printed_units(2e12f, 2), std::nullopt);
}

TEST(PrintedInterval, HoldsTheTruthAsPrinted) {
  const struct {
    const char* name;
    float lower, upper;
    int decimals;
    Fraction truth;
    bool holds;
  } cases[] = {
      {"0.79996 prints 0.8000", 0.79996f, 0.85f, 4, {4, 5}, true},
      {"lower 0.8001 above 0.8", 0.8001f, 0.85f, 4, {4, 5}, false},
      {"upper 99.994 prints 99.99", 90.0f, 99.994f, 2, {100, 1}, false},
      {"upper 99.996 prints 100.00", 90.0f, 99.996f, 2, {100, 1}, true},
      {"a point interval on the truth", 0.8f, 0.8f, 4, {80, 100}, true},
      {"2/3 inside [0.6666, 0.6667]", 0.6666f, 0.6667f, 4, {2, 3}, true},
      {"2/3 above 0.6666", 0.6665f, 0.6666f, 4, {2, 3}, false},
      {"NaN lower limit", kNaN, 1.0f, 4, {1, 2}, false},
      {"infinite upper limit", 0.0f, kInf, 4, {1, 2}, true},
      {"huge lower limit", 3e12f, kInf, 2, {100, 1}, false},
      // Products beyond 64 bits (2 * 10^17 units times 10^12): compared exactly, never wrapped.
      {"large lower limit, tiny truth", 2e11f, kInf, 6, {1, 1000000000000}, false},
      {"large limits around a tiny truth", -2e11f, 2e11f, 6, {1, 1000000000000}, true},
      {"upper 199999995904, truth 1 below", 0.0f, 2e11f, 6, {199999995903, 1}, true},
      {"upper 199999995904, truth 1/4 above", 0.0f, 2e11f, 6, {799999983617, 4}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(printed_interval_holds(c.lower, c.upper, c.decimals, c.truth), c.holds);
  }
}

}  // namespace
}  // namespace kelvaro::plan
