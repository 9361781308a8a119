// Simulated surveys against their expected counts, and the blocks derived from them.

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {
namespace {

// E[(1 - p)^t] for p ~ Beta(a, b): B(a, b + t) / B(a, b) = prod_{j<t} (b + j) / (a + b + j);
// (1 - p)^t itself for equal p.
double missed_everywhere(const Community& c, int t) {
  if (!c.heterogeneity) return std::pow(1.0 - c.mean_detection, t);
  const double a = c.mean_detection * *c.heterogeneity;
  const double b = (1.0 - c.mean_detection) * *c.heterogeneity;
  double product = 1.0;
  for (int j = 0; j < t; ++j) product *= (b + j) / (a + b + j);
  return product;
}

// Sample mean of `count` values with five standard errors of it.
struct Estimate {
  double mean;
  double tolerance;
};
Estimate estimate_of(const std::vector<double>& values) {
  const double n = static_cast<double>(values.size());
  const double mean = std::accumulate(values.begin(), values.end(), 0.0) / n;
  double squares = 0.0;
  for (double v : values) squares += (v - mean) * (v - mean);
  return {mean, 5.0 * std::sqrt(squares / (n - 1.0) / n)};
}

TEST(SurveySimulator, CountsMatchTheirExpectations) {
  // Expected per survey, with q(t) = 1 - E[(1-p)^t] the chance of a species being detected:
  //   detections per site and species (sum of n(i) / (t1 * N)): MEAN;
  //   R(1) = N q(t1);  R(2) = (S + C) q(t2);  detected in both = S E[(1-(1-p)^t1)(1-(1-p)^t2)]
  //   = S (1 - E(1-p)^t1 - E(1-p)^t2 + E(1-p)^(t1+t2)), only persisting species being in both.
  struct Case {
    const char* name;
    double mean;
    std::optional<double> k;
    Design design;
  } cases[] = {
      {"equal p", 0.2, std::nullopt, {5, 8}},
      {"moderate heterogeneity", 0.3, 2.0, {10, 10}},
      {"strong heterogeneity", 0.1, 0.5, {20, 5}},
  };
  constexpr int kSurveys = 3000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Community community{100, 70, 30, c.mean, c.k, 1.0};
    std::vector<double> detection, observed1, observed2, both;
    for (int i = 0; i < kSurveys; ++i) {
      SimulationGenerator g =
          SimulationGenerator::for_survey(9, c.design.sites1, c.design.sites2, i);
      const SimulatedSurvey s = simulate_survey(community, c.design, g);
      const auto& n = s.survey.sample1.n;
      detection.push_back(std::accumulate(n.begin(), n.end(), 0.0) / (c.design.sites1 * 100.0));
      observed1.push_back(s.observed1);
      observed2.push_back(s.observed2);
      const auto& in_both = s.survey.subset_a.f;  // f(i) over the species seen in both samples
      both.push_back(std::accumulate(in_both.begin(), in_both.end(), 0.0));
    }
    const double m1 = missed_everywhere(community, c.design.sites1);
    const double m2 = missed_everywhere(community, c.design.sites2);
    const double m12 = missed_everywhere(community, c.design.sites1 + c.design.sites2);
    const struct {
      const char* what;
      Estimate simulated;
      double expected;
    } checks[] = {
        {"detection per site and species", estimate_of(detection), c.mean},
        {"R(1)", estimate_of(observed1), 100.0 * (1.0 - m1)},
        {"R(2)", estimate_of(observed2), 100.0 * (1.0 - m2)},
        {"detected in both", estimate_of(both), 70.0 * (1.0 - m1 - m2 + m12)},
    };
    for (const auto& check : checks) {
      SCOPED_TRACE(check.what);
      EXPECT_NEAR(check.simulated.mean, check.expected, check.simulated.tolerance);
    }
  }
}

TEST(SurveySimulator, BlocksAreThoseKelvaroPrepWouldDerive) {
  // Every species detected at every site: f(t) holds the species, n(i) every species.
  const Community community{10, 6, 3, 1.0, std::nullopt, 1.0};
  SimulationGenerator g(3);
  const SimulatedSurvey s = simulate_survey(community, {3, 2}, g);
  const struct {
    const char* block;
    const BlockData& data;
    std::vector<float> f;
    std::vector<std::int32_t> n;
  } cases[] = {
      {"Sample 1", s.survey.sample1, {0, 0, 10}, {10, 10, 10}},
      {"Sample 2", *s.survey.sample2, {0, 9}, {9, 9}},
      {"Subset A (Sample 2's data)", s.survey.subset_a, {0, 6}, {6, 6}},
      {"Subset B (Sample 1's data)", s.survey.subset_b, {0, 0, 6}, {6, 6, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    EXPECT_EQ(c.data.f, c.f);
    EXPECT_EQ(c.data.n, c.n);
  }
  EXPECT_EQ(s.observed1, 10);
  EXPECT_EQ(s.observed2, 9);
}

TEST(SurveySimulator, SubsetsHoldTheSpeciesSeenInBoth) {
  // With partial detection: the subsets' f(i) count the species seen in both samples, and their
  // detections never exceed their parent sample's at any site.
  const Community community{80, 50, 20, 0.3, 1.0, 1.5};
  for (int i = 0; i < 50; ++i) {
    SCOPED_TRACE(i);
    SimulationGenerator g = SimulationGenerator::for_survey(5, 6, 4, i);
    const SimulatedSurvey s = simulate_survey(community, {6, 4}, g);
    const auto total = [](const std::vector<float>& f) {
      return std::accumulate(f.begin(), f.end(), 0.0f);
    };
    EXPECT_EQ(total(s.survey.subset_a.f), total(s.survey.subset_b.f));
    EXPECT_EQ(total(s.survey.sample1.f), s.observed1);
    EXPECT_EQ(total(s.survey.sample2->f), s.observed2);
    for (std::size_t site = 0; site < 4; ++site) {
      EXPECT_LE(s.survey.subset_a.n[site], s.survey.sample2->n[site]);
    }
    for (std::size_t site = 0; site < 6; ++site) {
      EXPECT_LE(s.survey.subset_b.n[site], s.survey.sample1.n[site]);
    }
  }
}

}  // namespace
}  // namespace kelvaro::plan
