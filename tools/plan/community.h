#pragma once
// The assumed community of a planning run and the designs it is surveyed with.
// Sample 1's community holds `species` species; the first `persisting` of them are still present
// in Sample 2, joined there by `colonists` new species. Each species has a detection probability
// per site: in Sample 1 a draw from Beta(MEAN*K, (1-MEAN)*K), or MEAN for every species without
// heterogeneity; in Sample 2 that probability (or, with the carryover redrawn, a fresh draw from
// the same distribution) times the detection change R, at most 1. A colonist's Sample 2
// probability is a fresh draw times R.

#include <cstdint>
#include <optional>
#include <vector>

#include "plan/simulation_generator.h"

namespace kelvaro::plan {

// What a persisting species' detection probability does between the samples.
enum class Carryover {
  kKept,     // the same p in Sample 2 (the same observer, season and habitat)
  kRedrawn,  // a new p from the same distribution (another observer, season or habitat state)
};

struct Community {
  std::int32_t species = 0;     // N: richness of Sample 1's community
  std::int32_t persisting = 0;  // N*PHI: of those, species still present in Sample 2
  std::int32_t colonists = 0;   // C: species present in Sample 2 only
  double mean_detection = 0.0;  // MEAN, in (0, 1]
  // K, the Beta concentration (smaller is stronger heterogeneity); none: equal detection.
  std::optional<double> heterogeneity;
  double detection_change = 1.0;  // R: Sample 2's detection = R times Sample 1's
  Carryover carryover = Carryover::kKept;
};

// One survey design: the numbers of sites (or visits) of the two samples.
struct Design {
  std::int32_t sites1 = 0;
  std::int32_t sites2 = 0;
  bool operator==(const Design&) const = default;
};

// A species' Sample 1 detection probability, drawn as the community says (no draw without
// heterogeneity). MEAN = 1 gives 1 whatever K is. Requires: 0 < MEAN <= 1, K > 0 when given.
double draw_detection(SimulationGenerator& g, const Community& community);

// Sample 2's probability for a species whose Sample 1 probability (or fresh draw) is p:
// min(1, R * p).
double changed_detection(double p, const Community& community);

}  // namespace kelvaro::plan
