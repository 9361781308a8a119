#pragma once
// One simulated survey of the assumed community: every species of Sample 1's community is looked
// for at each of t1 sites, every species of Sample 2's community at each of t2 sites, each site
// detecting the species with its probability independently. The detections become kelvaro's four
// blocks as kelvaro-prep derives them from detection tables: f(i) and n(i) of each sample, and
// the species detected in both samples with Sample 2's data (Subset A) and Sample 1's (Subset B).
//
//   t1 = 2; species a detected at sites {1}, b at {1, 2}, c nowhere: f = (1, 1), n = (2, 1)

#include <cstdint>

#include "kelvaro/kelvaro.h"
#include "plan/community.h"
#include "plan/simulation_generator.h"

namespace kelvaro::plan {

struct SimulatedSurvey {
  Survey survey;               // the four blocks; Sample 2 always present (maybe empty)
  std::int32_t observed1 = 0;  // R(1): species detected in Sample 1
  std::int32_t observed2 = 0;  // R(2)
};

// Draws one survey from g: for each of Sample 1's species in turn its detection probability, its
// Sample 1 sites and, when it persists, (with the carryover redrawn, its new probability and)
// its Sample 2 sites; then each colonist.
// Requires: 1 <= sites1, sites2 <= 98; the community as Community says.
SimulatedSurvey simulate_survey(const Community& community, Design design, SimulationGenerator& g);

}  // namespace kelvaro::plan
