#include "planner/community.h"

#include <algorithm>

#include "planner/draws.h"

namespace kelvaro::plan {

double draw_detection(SimulationGenerator& g, const Community& community) {
  const double mean = community.mean_detection;
  if (!community.heterogeneity || mean >= 1.0) return mean;
  const double k = *community.heterogeneity;
  return beta_deviate(g, mean * k, (1.0 - mean) * k);
}

double changed_detection(double p, const Community& community) {
  return std::min(1.0, community.detection_change * p);
}

}  // namespace kelvaro::plan
