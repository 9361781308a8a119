// Pilot fits: the community recovered from a large simulated pilot within its standard errors,
// the pilots that cannot say how many species were missed, and pilots read from text.

#include "planner/pilot_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"
#include "simulated_pilot.h"

namespace kelvaro::plan {
namespace {

TEST(PilotFit, RecoversTheCommunityOfALargePilotWithinItsStandardErrors) {
  const struct {
    const char* name;
    Community community;
    std::int32_t sites;
  } cases[] = {
      {"N 3000, MEAN 0.2, K 4, 20 sites", {3000, 3000, 0, 0.2, 4.0, 1.0}, 20},
      {"N 2000, MEAN 0.1, K 4, 40 sites", {2000, 2000, 0, 0.1, 4.0, 1.0}, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PilotFit fit = fit_pilot(pilot_survey(c.community, c.sites, 12345));
    ASSERT_EQ(fit.status, PilotStatus::kFitted);
    EXPECT_FALSE(fit.equal_detection);
    // Two standard errors: a fault in the fit or its errors shows as many.
    EXPECT_NEAR(fit.species, c.community.species, 2.0 * fit.species_se);
    EXPECT_NEAR(fit.mean_detection, c.community.mean_detection, 2.0 * fit.mean_detection_se);
    EXPECT_NEAR(fit.heterogeneity, *c.community.heterogeneity, 2.0 * fit.heterogeneity_se);
    // The errors are those of a large pilot: a few percent of the values, not wild.
    EXPECT_LT(fit.species_se, 0.1 * c.community.species);
    EXPECT_LT(fit.mean_detection_se, 0.1 * c.community.mean_detection);
  }
}

TEST(PilotFit, TheFitIsTheLikelihoodsMaximum) {
  const DetectionFrequencies pilot = pilot_survey({500, 500, 0, 0.3, 2.0, 1.0}, 10, 7);
  const PilotFit fit = fit_pilot(pilot);
  ASSERT_EQ(fit.status, PilotStatus::kFitted);
  const double best = pilot_negative_log_likelihood(pilot, fit.mean_detection, fit.heterogeneity);
  for (const double dm : {-0.01, 0.01}) {
    for (const double dk : {-0.05, 0.05}) {
      SCOPED_TRACE(testing::Message() << dm << " " << dk);
      EXPECT_LT(best, pilot_negative_log_likelihood(pilot, fit.mean_detection + dm,
                                                    fit.heterogeneity * (1.0 + dk)));
    }
  }
}

TEST(PilotFit, EqualDetectionAndPilotsThatCannotBeFitted) {
  // Equal detection: no more spread than the binomial's, K runs to its upper end.
  const PilotFit equal = fit_pilot(pilot_survey({2000, 2000, 0, 0.3, std::nullopt, 1.0}, 10, 3));
  EXPECT_EQ(equal.status, PilotStatus::kFitted);
  EXPECT_TRUE(equal.equal_detection);
  EXPECT_NEAR(equal.mean_detection, 0.3, 2.0 * equal.mean_detection_se);
  EXPECT_NEAR(equal.species, 2000.0, 2.0 * equal.species_se);
  const struct {
    const char* name;
    DetectionFrequencies pilot;
    PilotStatus status;
  } cases[] = {
      {"one site", {1, {12}, {}}, PilotStatus::kTooFewSites},
      {"no species", {3, {0, 0, 0}, {}}, PilotStatus::kNoDetection},
      {"singletons only", {5, {20, 0, 0, 0, 0}, {}}, PilotStatus::kUnbounded},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fit_pilot(c.pilot).status, c.status);
  }
}

}  // namespace
}  // namespace kelvaro::plan

namespace kelvaro::plan {
namespace {

TEST(PilotFile, ATableOrAKelvaroInputFromTextAndItsRefusals) {
  // Species detected at 1, 1 and 3 of 3 sites, as a table and as a kelvaro input's Sample 1.
  const std::vector<std::int64_t> f = {2, 0, 1};
  EXPECT_EQ(pilot_from_text("site,a,b,c\ns1,1,0,1\ns2,0,x,1\ns3,,0,yes\n", "p.csv").f, f);
  const DetectionFrequencies input = pilot_from_text(" 3 3 0 50 400\n2 0 1\n2 1 1\n", "p.txt");
  EXPECT_EQ(input.sites, 3);
  EXPECT_EQ(input.f, f);
  const struct {
    const char* text;
    const char* message;  // its start
  } refusals[] = {
      {"site,a\ns1,maybe\n", "p (comma-separated), line 2, column 2: "},
      {"3 3 0 50 400\n2 x 1\n", "p: line 2: cannot read a kelvaro input's Sample 1: "},
      {"3 3 0 50 400\n2 -1 1\n2 1 1\n", "p: Sample 1's f(2) is not a count of species"},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.text);
    try {
      pilot_from_text(r.text, "p");
      ADD_FAILURE() << "accepted";
    } catch (const OptionError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(r.message, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace kelvaro::plan
