// The simulation's draws against their distributions on large samples.

#include "planner/draws.h"

#include <gtest/gtest.h>

#include <cmath>

#include "planner/community.h"

namespace kelvaro::plan {
namespace {

// Mean and variance of n draws, with the standard error of the mean.
struct Moments {
  double mean = 0.0;
  double variance = 0.0;
  double mean_error() const { return std::sqrt(variance / n); }
  double n = 0.0;
};

template <typename Draw>
Moments moments_of(int n, Draw draw) {
  double sum = 0.0, squares = 0.0;
  for (int i = 0; i < n; ++i) {
    const double x = draw();
    sum += x;
    squares += x * x;
  }
  Moments m;
  m.n = n;
  m.mean = sum / n;
  m.variance = (squares - sum * m.mean) / (n - 1);
  return m;
}

TEST(Draws, DetectionProbabilityHasTheBetaMeanAndVariance) {
  // p ~ Beta(MEAN*K, (1-MEAN)*K): mean MEAN, variance MEAN(1-MEAN)/(K+1). Shapes from 0.005
  // (the boosted gamma, deviates that underflow a double) to 45.
  const struct {
    double mean;
    double k;
  } cases[] = {{0.1, 0.05}, {0.1, 0.5}, {0.4, 2.0}, {0.5, 1.0}, {0.9, 50.0}, {0.02, 5.0}};
  constexpr int kDraws = 200000;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "MEAN " << c.mean << ", K " << c.k);
    Community community;
    community.mean_detection = c.mean;
    community.heterogeneity = c.k;
    SimulationGenerator g(12345);
    const Moments m = moments_of(kDraws, [&] {
      const double p = draw_detection(g, community);
      EXPECT_TRUE(p >= 0.0 && p <= 1.0) << p;
      return p;
    });
    const double variance = c.mean * (1.0 - c.mean) / (c.k + 1.0);
    EXPECT_NEAR(m.mean, c.mean, 5.0 * std::sqrt(variance / kDraws));
    // The sample variance's relative error is about sqrt((kurtosis - 1) / n): within 5% here.
    EXPECT_NEAR(m.variance / variance, 1.0, 0.05);
  }
}

TEST(Draws, EqualDetectionAndChangedDetection) {
  Community community;
  community.mean_detection = 0.3;
  community.detection_change = 2.5;
  SimulationGenerator g(1);
  const std::uint64_t before = SimulationGenerator(1).next();
  EXPECT_EQ(draw_detection(g, community), 0.3);
  EXPECT_EQ(g.next(), before) << "equal detection draws nothing";
  EXPECT_DOUBLE_EQ(changed_detection(0.3, community), 0.75);
  EXPECT_EQ(changed_detection(0.5, community), 1.0) << "held at 1";
}

TEST(Draws, UniformAndNormalMoments) {
  SimulationGenerator g(7);
  const Moments u = moments_of(200000, [&] { return g.uniform(); });
  EXPECT_NEAR(u.mean, 0.5, 5.0 * u.mean_error());
  EXPECT_NEAR(u.variance * 12.0, 1.0, 0.01);
  const Moments z = moments_of(200000, [&] { return standard_normal(g); });
  EXPECT_NEAR(z.mean, 0.0, 5.0 * z.mean_error());
  EXPECT_NEAR(z.variance, 1.0, 0.02);
}

TEST(SimulationGenerator, StreamsDifferBySeedDesignAndSurvey) {
  const std::uint64_t base = SimulationGenerator::for_survey(400, 10, 10, 0).next();
  EXPECT_EQ(SimulationGenerator::for_survey(400, 10, 10, 0).next(), base);
  EXPECT_NE(SimulationGenerator::for_survey(401, 10, 10, 0).next(), base);
  EXPECT_NE(SimulationGenerator::for_survey(400, 10, 11, 0).next(), base);
  EXPECT_NE(SimulationGenerator::for_survey(400, 11, 10, 0).next(), base);
  EXPECT_NE(SimulationGenerator::for_survey(400, 10, 10, 1).next(), base);
  for (std::int64_t survey = 0; survey < 1000; ++survey) {
    const std::int32_t seed = analysis_seed(400, 10, 10, survey);
    EXPECT_NE(seed & 0xFF, 0) << "byte 0 of kelvaro's seed is never 0";
    EXPECT_EQ(seed & ~0x00FF00FF, 0) << "only bytes 0 and 2 reach kelvaro's generator";
  }
}

}  // namespace
}  // namespace kelvaro::plan
