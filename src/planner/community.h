#pragma once
// The detection probabilities of a community's species (kelvaro/survey_simulation.h says what
// the community assumes).

#include <cstdint>
#include <optional>
#include <vector>

#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// A species' Sample 1 detection probability, drawn as the community says (no draw without
// heterogeneity). MEAN = 1 gives 1 whatever K is. Requires: 0 < MEAN <= 1, K > 0 when given.
double draw_detection(SimulationGenerator& g, const Community& community);

// Sample 2's probability for a species whose Sample 1 probability (or fresh draw) is p:
// min(1, R * p).
double changed_detection(double p, const Community& community);

}  // namespace kelvaro::plan
