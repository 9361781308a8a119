#pragma once
// The communities consistent with a pilot (kelvaro/planner.h: PilotCommunities), drawn one at a
// time by the fit's parametric bootstrap.

#include <cstdint>
#include <optional>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

// A pilot of the fitted community (round(N) species, MEAN and K as fitted, equal detection when
// the fit found it) over the pilot's sites, each species detected at each site with its
// probability, reduced to f(1..t). Draws from g.
DetectionFrequencies simulated_pilot(const PilotFit& fit, SimulationGenerator& g);

// Plausible community `index`: `assumed` (the community the plan simulates: colonists, detection
// change, carryover, and the values the request gave) with the values the pilot gives drawn by
// the basic bootstrap: a pilot simulated from the fit on for_pilot(seed, index) is fitted again,
// and each value is the fit's reflected about the refit, 2 fit - refit, on the log scale for N
// and K and the logit scale for MEAN (N never below the species the pilot detected; equal
// detection in the refit is kept). So a pilot whose fit underestimates N gives communities
// centred above its fit, where the truth tends to be. Its persisting species N x PHI rounded to
// the nearest. None when the refit does not bound N, or puts N above ten times the pilot's
// fitted N or above 1000000 species.
std::optional<Community> plausible_community(const PilotCommunities& pilot,
                                             const Community& assumed, std::uint64_t seed,
                                             std::int64_t index);

}  // namespace kelvaro::plan
