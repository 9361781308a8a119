#include "planner/plausible_communities.h"

#include <cmath>

#include "kelvaro/conversions.h"
#include "planner/community.h"

namespace kelvaro::plan {
namespace {

// A refit beyond this many times the pilot's own N stands for a community no design can be
// relied on for (and would take a plan hours to simulate).
constexpr double kMostTimesFittedSpecies = 10.0;
constexpr double kMostSpecies = 1000000.0;

}  // namespace

DetectionFrequencies simulated_pilot(const PilotFit& fit, SimulationGenerator& g) {
  Community fitted;
  fitted.species = trunc_to_int(std::floor(fit.species + 0.5));
  fitted.mean_detection = fit.mean_detection;
  if (!fit.equal_detection) fitted.heterogeneity = fit.heterogeneity;
  DetectionFrequencies pilot;
  pilot.sites = fit.sites;
  pilot.f.assign(static_cast<std::size_t>(fit.sites), 0);
  for (std::int32_t species = 0; species < fitted.species; ++species) {
    const double p = draw_detection(g, fitted);
    std::int32_t detected = 0;
    for (std::int32_t site = 0; site < fit.sites; ++site) detected += g.uniform() < p ? 1 : 0;
    if (detected > 0) ++pilot.f[static_cast<std::size_t>(detected - 1)];
  }
  return pilot;
}

std::optional<Community> plausible_community(const PilotCommunities& pilot,
                                             const Community& assumed, std::uint64_t seed,
                                             std::int64_t index) {
  SimulationGenerator g = SimulationGenerator::for_pilot(seed, index);
  const PilotFit fit = fit_pilot(simulated_pilot(pilot.fit, g));
  const double most = std::fmin(kMostSpecies, kMostTimesFittedSpecies * pilot.fit.species);
  if (fit.status != PilotStatus::kFitted || !(fit.species <= most)) return std::nullopt;
  Community c = assumed;
  if (pilot.species_fitted) c.species = trunc_to_int(std::floor(fit.species + 0.5));
  if (pilot.detection_fitted) c.mean_detection = fit.mean_detection;
  if (pilot.heterogeneity_fitted) {
    c.heterogeneity = fit.equal_detection ? std::nullopt : std::optional<double>(fit.heterogeneity);
  }
  c.persisting = trunc_to_int(std::floor(c.species * pilot.persistence + 0.5));
  if (c.persisting + c.colonists < 1) return std::nullopt;
  return c;
}

}  // namespace kelvaro::plan
