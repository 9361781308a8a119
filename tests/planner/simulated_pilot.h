#pragma once
// A pilot for the planner's tests: Sample 1's detection frequencies of one simulated survey.

#include <cstdint>

#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// Sample 1's frequencies of one simulated survey of `community` at t sites, drawn with `key`.
inline DetectionFrequencies pilot_survey(const Community& community, std::int32_t t,
                                         std::uint64_t key) {
  SimulationGenerator g(key);
  const SimulatedSurvey s = simulate_survey(community, {t, t}, g);
  DetectionFrequencies pilot{t, {}, {}};
  for (float f : s.survey.sample1.f) pilot.f.push_back(static_cast<std::int64_t>(f));
  return pilot;
}

}  // namespace kelvaro::plan
