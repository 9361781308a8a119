#include "jack/cpower.h"

#include <gtest/gtest.h>

namespace kelvaro {
namespace {

TEST(Cpower, PowerOfFivePercentTest) {
  // With 1 d.f. the statistic is (Z + sqrt(lambda))^2, so the power is
  // Phi(sqrt(lambda) - 1.96) + Phi(-sqrt(lambda) - 1.96).
  struct {
    float level;
    double lambda;
    float expected;
    float tolerance;
  } cases[] = {
      {0.05f, 0.0, 0.05f, 1e-4f},              // the level itself
      {0.05f, 7.8489, 0.80f, 1e-3f},           // (1.96 + 0.8416)^2
      {0.05f, 9.333, 0.863f, 5e-4f},           // the worked example's three tests
      {0.05f, 3.035, 0.414f, 5e-4f},
      {0.05f, 1.531, 0.236f, 5e-4f},
      {0.05f, 699.0, 1.0f, 1e-5f},             // many Poisson terms, still terminates
      {0.05f, 700.0, 1.0f, 0.0f},              // no distribution function needed
      {0.05f, 1.0e300, 1.0f, 0.0f},
      {0.05f, -1.0, -1.0f, 0.0f},              // bad arguments
      {-0.01f, 4.0, -1.0f, 0.0f},
      {1.01f, 4.0, -1.0f, 0.0f},
      {0.5f, 0.0, 0.05f, 1e-4f},               // critical value does not follow the level
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "level=" << c.level << " lambda=" << c.lambda);
    float power = 0.0f;
    cpower(c.level, c.lambda, power);
    EXPECT_NEAR(power, c.expected, c.tolerance);
  }
}

}  // namespace
}  // namespace kelvaro
