#include "planner/plausible_communities.h"

#include <algorithm>
#include <cmath>

#include "kelvaro/conversions.h"
#include "kelvaro/numbers.h"  // first: the strict evaluation it sets applies to all below
#include "planner/community.h"

namespace kelvaro::plan {
namespace {

// A refit beyond this many times the pilot's own N stands for a community no design can be
// relied on for (and would take a plan hours to simulate).
constexpr double kMostTimesFittedSpecies = 10.0;
constexpr double kMostSpecies = 1000000.0;

// The fit's value reflected about it on the scale `to` / `from`: 2 to(fitted) - to(refit),
// back. A refit that lands below the fit (the fit's error repeated on a pilot of the fit) stands
// for a truth above the fit by as much; drawing the refits themselves would count the fit's
// error twice, and a pilot that underestimates N would find its plausible communities easier
// still.
template <class To, class From>
double reflected(double fitted, double refit, To to, From from) {
  return from(2.0 * to(fitted) - to(refit));
}

double log_of(double x) { return exactmath::log(x); }
double exp_of(double x) { return exactmath::exp(x); }
double logit_of(double p) { return exactmath::log(p / (1.0 - p)); }
double expit_of(double x) { return 1.0 / (1.0 + exactmath::exp(-x)); }

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
  const PilotFit& fitted = pilot.fit;
  Community c = assumed;
  if (pilot.species_fitted) {
    // N on the log scale, never below the species the pilot itself detected.
    const double n = std::max(reflected(fitted.species, fit.species, log_of, exp_of),
                              static_cast<double>(fitted.observed));
    if (!(n <= most)) return std::nullopt;
    c.species = trunc_to_int(std::floor(n + 0.5));
  }
  if (pilot.detection_fitted) {
    // MEAN on the logit scale; a fit or refit at 1 (every species everywhere) is taken as it is.
    const bool inside = fitted.mean_detection < 1.0 && fit.mean_detection < 1.0;
    c.mean_detection =
        inside ? reflected(fitted.mean_detection, fit.mean_detection, logit_of, expit_of)
               : fit.mean_detection;
  }
  if (pilot.heterogeneity_fitted) {
    // K on the log scale; equal detection (K at its bound) in the fit or the refit is the
    // refit's.
    if (fit.equal_detection) {
      c.heterogeneity = std::nullopt;
    } else if (fitted.equal_detection) {
      c.heterogeneity = fit.heterogeneity;
    } else {
      c.heterogeneity = reflected(fitted.heterogeneity, fit.heterogeneity, log_of, exp_of);
    }
  }
  c.persisting = trunc_to_int(std::floor(c.species * pilot.persistence + 0.5));
  if (c.persisting + c.colonists < 1) return std::nullopt;
  return c;
}

}  // namespace kelvaro::plan
