#include "jackknife/test_power.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "exactmath/exp.h"
#include "probability/cdtr.h"

namespace kelvaro {
namespace {

TEST(TestPowerSeries, PowerOfFivePercentTest) {
  // With 1 d.f. the statistic is (Z + sqrt(lambda))^2, so the power is
  // Phi(sqrt(lambda) - 1.96) + Phi(-sqrt(lambda) - 1.96).
  struct {
    float level;
    double lambda;
    float expected;
    float tolerance;
  } cases[] = {
      {0.05f, 0.0, 0.05f, 1e-4f},     // the level itself
      {0.05f, 7.8489, 0.80f, 1e-3f},  // (1.96 + 0.8416)^2
      {0.05f, 9.333, 0.863f, 5e-4f},  // the worked example's three tests
      {0.05f, 3.035, 0.414f, 5e-4f}, {0.05f, 1.531, 0.236f, 5e-4f},
      {0.05f, 699.0, 1.0f, 1e-5f},  // many Poisson terms, still terminates
      {0.05f, 700.0, 1.0f, 0.0f},   // no distribution function needed
      {0.05f, 1.0e300, 1.0f, 0.0f},  {0.05f, -1.0, -1.0f, 0.0f},  // bad arguments
      {-0.01f, 4.0, -1.0f, 0.0f},    {1.01f, 4.0, -1.0f, 0.0f},
      {0.5f, 0.0, 0.05f, 1e-4f},  // critical value does not follow the level
  };
  TestPowerSeries series;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "level=" << c.level << " lambda=" << c.lambda);
    EXPECT_NEAR(series.power(c.level, c.lambda), c.expected, c.tolerance);
  }
}

// The power sum as written, one cdtr call per term: the rule the kept terms must reproduce.
float power_term_by_term(float level, double lambda) {
  if (level < 0.0f || level > 1.0f || lambda < 0.0) return -1.0f;
  double e = 1.0;
  if (lambda > 0.0) {
    if (lambda >= 700.0) return 1.0f;
    e = exactmath::exp(-lambda / 2.0);
  }
  double p = 0.0;
  std::int32_t status = 0;
  cdtr(3.8416, 1, p, status);
  if (p < -0.9) return -2.0f;
  float power = static_cast<float>(e * p);
  double s = e;
  if (s < 0.99999) {
    double i = 1.0;
    std::int32_t n = 1;
    do {
      e = ((lambda / 2.0) * e) / i;
      s = s + e;
      n = n + 2;
      i = i + 1.0;
      cdtr(3.8416, n, p, status);
      p = static_cast<double>(static_cast<float>(p));
      if (p < -0.9) return -2.0f;
      power = power + static_cast<float>(e * p);
    } while (!(s > 0.99999));
  }
  return 1.0f - power;
}

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(TestPowerSeries, KeptTermsGiveTheTermByTermSumsExactly) {
  // Small, large, small again: the table grows as longer sums need it and is reused after.
  std::vector<double> lambdas = {0.0,    1e-300, 0.25,   1.0,
                                 9.333,  3.035,  1.531,  40.0,
                                 250.5,  100.0,  600.0,  699.999,
                                 1.0e-3, 5.0e-5, 2.0e-5, std::numeric_limits<double>::quiet_NaN(),
                                 1.5};
  std::mt19937_64 rng(700);
  std::uniform_real_distribution<double> any(0.0, 700.0);
  std::uniform_real_distribution<double> small(0.0, 3.0);
  for (int i = 0; i < 400; ++i) lambdas.push_back(i % 2 == 0 ? any(rng) : small(rng));
  TestPowerSeries series;
  for (const double lambda : lambdas) {
    SCOPED_TRACE(testing::Message() << "lambda=" << lambda);
    const float power = series.power(0.05f, lambda);
    const float expected = power_term_by_term(0.05f, lambda);
    EXPECT_TRUE(same_bits(power, expected)) << power << " vs " << expected;
  }
}

}  // namespace
}  // namespace kelvaro
