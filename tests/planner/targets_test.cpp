// Monte Carlo standard errors against their formulas, targets read from their text, and the
// answer for a grid: a target met, unmet, and met or missed within two standard errors.

#include "planner/targets.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {
namespace {

TEST(DesignSummary, StandardErrorsFollowTheirFormulas) {
  // N(1) = 100; four surveys estimate 90, 100, 110, 120 with intervals, the last missing 100.
  //   relative bias 0.05; sd of the estimates sqrt(500/3): se 0.01 * sqrt(500/3/4) = 0.0645497
  //   squared errors 100, 0, 100, 400: rmse sqrt(150); their squared deviations sum to 90000,
  //   se of the mean 86.6025, by the delta method 86.6025 / (2 sqrt(150)) = 3.53553
  //   coverage 3/4: Wilson's interval at two standard errors is 0.625 -+ sqrt(0.109375), its
  //   half-width over 2 the standard error 0.165359 (sqrt(0.75 * 0.25 / 4) = 0.2165 without
  //   Wilson's correction)
  //   widths 20, 20, 30, 10: sd sqrt(200/3), se sqrt(200/3/4) = 4.08248
  const ReportedParameters reported = reported_parameters({100, 80, 20, 0.2, 2.0, 1.0});
  const float estimates[] = {90, 100, 110, 120};
  const float lower[] = {80, 90, 95, 110};
  const float upper[] = {100, 110, 125, 120};
  std::vector<SurveyOutcome> outcomes(4);
  for (std::size_t i = 0; i < 4; ++i) {
    outcomes[i].estimated = true;
    outcomes[i].parameters[0] = {estimates[i], lower[i], upper[i]};
  }
  const ParameterSummary p = summarise_design({10, 10}, outcomes, reported).parameters[0];
  EXPECT_DOUBLE_EQ(p.relative_bias, 0.05);
  EXPECT_NEAR(p.relative_bias_se, 0.0645497, 1e-7);
  EXPECT_NEAR(p.rmse_se, 3.53553, 1e-5);
  EXPECT_DOUBLE_EQ(p.coverage, 0.75);
  EXPECT_NEAR(p.coverage_se, 0.165359, 1e-6);
  EXPECT_NEAR(p.coverage_lower, 0.625 - 0.330719, 1e-6);
  EXPECT_NEAR(p.coverage_upper, 0.625 + 0.330719, 1e-6);
  EXPECT_NEAR(p.mean_width_se, 4.08248, 1e-5);
  // One survey: no spread to measure; but a share of 1 in 1 is not known to be 1: Wilson's
  // interval [0.2, 1], standard error 1 / (1 + 4).
  const ParameterSummary one =
      summarise_design({10, 10}, std::span(outcomes).first(1), reported).parameters[0];
  EXPECT_TRUE(std::isnan(one.relative_bias_se));
  EXPECT_TRUE(std::isnan(one.rmse_se));
  EXPECT_DOUBLE_EQ(one.coverage_se, 0.2);
}

TEST(Targets, ReadFromTheirText) {
  const Target t = parse_target("n(1):bias<=0.10, Coverage>=0.9", "--target");
  EXPECT_EQ(t.parameter, 0);
  ASSERT_EQ(t.requirements.size(), 2u);
  EXPECT_EQ(t.requirements[0].criterion, Criterion::kBias);
  EXPECT_EQ(t.requirements[0].bound, 0.10);
  EXPECT_EQ(t.requirements[1].criterion, Criterion::kCoverage);
  EXPECT_EQ(t.requirements[1].bound, 0.9);
  // The names agree with the reported parameters' order.
  const ReportedParameters reported = reported_parameters({100, 80, 20, 0.2, 2.0, 1.0});
  for (int k = 0; k < kReportedCount; ++k) {
    SCOPED_TRACE(reported[k].name);
    EXPECT_EQ(parse_target(std::string(reported[k].name) + ":width<=1", "--target").parameter, k);
  }
  const struct {
    const char* text;
    const char* message;
  } bad[] = {
      {"N(1)", "--target 'N(1)': write a target as PARAMETER:CRITERION"},
      {"N(3):bias<=0.1", "--target 'N(3):bias<=0.1': 'N(3)' is not a parameter"},
      {"PHI:precision<=0.1", "--target 'PHI:precision<=0.1': 'precision<=0.1' is not a criterion"},
      {"PHI:coverage<=0.9",
       "--target 'PHI:coverage<=0.9': 'coverage<=0.9': coverage takes >=, "
       "as in coverage>=0.90"},
      {"PHI:bias<=-1", "'bias<=-1': the bound must be a number of 0 or more"},
      {"PHI:coverage>=95", "'coverage>=95': the bound must be a number from 0 to 1"},
      {"PHI:rmse<=", "'rmse<=': the bound must be a number"},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.text);
    try {
      parse_target(c.text, "--target");
      ADD_FAILURE() << "accepted";
    } catch (const OptionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// A design of t sites in both samples whose N(1) has this coverage and standard error.
DesignSummary design(std::int32_t t, double coverage, double se) {
  DesignSummary d;
  d.design = {t, t};
  d.parameters[0].coverage = coverage;
  d.parameters[0].coverage_se = se;
  d.parameters[0].coverage_lower = coverage - 2.0 * se;
  d.parameters[0].coverage_upper = coverage + 2.0 * se;
  return d;
}

TEST(Targets, TheAnswerForAGrid) {
  const std::vector<Target> targets = {parse_target("N(1):coverage>=0.9", "--target")};
  const DesignSummary short_of = design(10, 0.80, 0.02);
  const DesignSummary just_short = design(11, 0.87, 0.02);
  const DesignSummary barely = design(12, 0.91, 0.02);
  const DesignSummary clearly = design(15, 0.95, 0.01);
  const struct {
    const char* name;
    std::vector<DesignSummary> grid;
    const char* answer;
  } cases[] = {
      {"met",
       {short_of, clearly},
       "the smallest design that meets every target: 15 sites (sites1 = 15, sites2 = 15)"},
      {"met within two standard errors",
       {clearly, short_of, barely},
       "the smallest design that meets every target: 12 sites (sites1 = 12, sites2 = 12); "
       "uncertain, within two standard errors: N(1) coverage 0.91 (standard error 0.02) against "
       ">= 0.9"},
      {"unmet",
       {short_of},
       "no design in the grid meets every target; the closest: 10 sites (sites1 = 10, sites2 = "
       "10), where N(1) coverage 0.8 (standard error 0.02) against >= 0.9"},
      {"unmet within two standard errors",
       {short_of, just_short},
       "no design in the grid meets every target; the closest: 11 sites (sites1 = 11, sites2 = "
       "11), where N(1) coverage 0.87 (standard error 0.02) against >= 0.9; uncertain: within "
       "two standard errors of meeting it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(target_answer(c.grid, targets), c.answer);
  }
  // The rows: yes or no where a target names the parameter, nothing elsewhere.
  EXPECT_EQ(meets_targets(clearly, 0, targets), true);
  EXPECT_EQ(meets_targets(short_of, 0, targets), false);
  EXPECT_EQ(meets_targets(clearly, 2, targets), std::nullopt);
}

}  // namespace
}  // namespace kelvaro::plan
