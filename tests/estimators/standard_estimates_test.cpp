// The standard estimators on frequencies worked by hand from their formulas (kelvaro.h), among
// them the degenerate blocks. The R package's tests compare them with vegan's specpool on real
// data.

#include <gtest/gtest.h>

#include <cmath>

#include "kelvaro/kelvaro.h"

namespace kelvaro {
namespace {

void expect_near(double got, double expected, const char* what) {
  EXPECT_NEAR(got, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

TEST(StandardEstimates, HandWorkedFrequencies) {
  const struct {
    const char* name;
    std::vector<std::int32_t> f;
    double s, chao2, variance, lower, upper, jack1, jack2, bootstrap;
  } cases[] = {
      // The header's example. c = 3/4; chao2 = 5 + 3/4 * 9 / 2; a = 3: variance 3 * 3/4 *
      // (1/2 + 3/4 * 7/4 * 3) * 3; f0 = 3.375, C = exp(1.96 sqrt(log(1 + 29.953125 / 3.375^2)));
      // jack2 = 5 + 15/4 - 1/3; bootstrap = 5 + 3 (3/4)^4 + (1/2)^4.
      {"f2 > 0",
       {3, 1, 0, 1},
       5,
       8.375,
       29.953125,
       5.364588311019596,
       36.24243058738041,
       7.25,
       5 + 15.0 / 4 - 1.0 / 3,
       6.01171875},
      // c = 2/3; chao2 = 3 + 2/3 * 2 * 1 / 2; variance 2/3 (2/3 (2 * 9/4 - 16 / (11/3) / 4) + 1)
      // = 24/11; jack1 = 3 + 4/3, jack2 = 3 + 2; bootstrap = 3 + 2 (2/3)^3.
      {"f2 = 0", {2, 0, 1}, 3, 3 + 2.0 / 3, 24.0 / 11, 0, 0, 3 + 4.0 / 3, 5, 3 + 16.0 / 27},
      // A lone singleton and no doubleton: no unseen species (f0 = 0, the interval [S, S]) but a
      // variance, 3/4 (3/4 (1/4 - 1/3/4)) = 3/32.
      {"f1 = 1, f2 = 0", {1, 0, 0, 2}, 3, 3, 3.0 / 32, 3, 3, 3.75, 3 + 5.0 / 4, 3 + 81.0 / 256},
      // No singleton: chao2 = S with variance 0; jack2 = 3 - 2/6 falls below S, as specpool's.
      {"f1 = 0", {0, 2, 1}, 3, 3, 0, 3, 3, 3, 3 - 1.0 / 3, 3 + 2.0 / 27},
      // One site: c = 0, every estimate S.
      {"t = 1", {4}, 4, 4, 0, 4, 4, 4, 4, 4},
      {"S = 0", {0, 0, 0}, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const StandardEstimates e = standard_estimates(c.f);
    expect_near(e.observed, c.s, "S");
    expect_near(e.chao2, c.chao2, "chao2");
    expect_near(e.chao2_se, std::sqrt(c.variance), "chao2_se");
    if (c.lower != 0 || c.s == 0) {
      expect_near(e.chao2_lower, c.lower, "lower");
      expect_near(e.chao2_upper, c.upper, "upper");
    }
    expect_near(e.jack1, c.jack1, "jack1");
    expect_near(e.jack2, c.jack2, "jack2");
    expect_near(e.bootstrap, c.bootstrap, "bootstrap");
  }
}

TEST(StandardEstimates, IntervalHoldsTheEstimate) {
  // f2 = 0 case above: f0 = 2/3 and C > 1, so S < lower < chao2 < upper.
  const StandardEstimates e = standard_estimates({2, 0, 1});
  EXPECT_GT(e.chao2_lower, e.observed);
  EXPECT_LT(e.chao2_lower, e.chao2);
  EXPECT_GT(e.chao2_upper, e.chao2);
  // lower and upper are S + f0/C and S + f0 C: their excesses over S multiply to f0^2.
  expect_near((e.chao2_lower - 3) * (e.chao2_upper - 3), 4.0 / 9, "f0^2");
}

}  // namespace
}  // namespace kelvaro
