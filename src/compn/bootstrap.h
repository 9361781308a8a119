#pragma once
// The parametric bootstrap of one block: the rounded estimate is taken as the community size, each
// species falls into an observed frequency class or the not-detected class with the probabilities
// seen in the data, and every replicate is re-estimated by the jackknife.

#include <cstdint>

namespace kelvaro {

// Class of a uniform draw u: 1 + the largest k in 1..t with u > c(k) (1 when there is none).
// c points at c(1). Requires: 1 <= t.
std::int32_t draw_class(const float* c, std::int32_t t, float u);

// Draws |nreps| replicates of block `block` (1..4) and stores their estimates in
// work04.boot(iteration, block) and, for blocks 1 and 2, the species detected in
// work04.nobsb(iteration, block). Prints the detail lines when nreps < 0.
// Reads work01.x(1..t), work01.t, work01.est (already rounded), work03.nobs; leaves the last
// replicate's counts in work01.x(1..t+2) and its estimate in work01.est.
// Draws from the run's uniform stream: binomial draws first (blocks 3 and 4), then one per species.
// Requires: 1 <= work01.t <= 98, |nreps| <= 10000.
void bootstrap(std::int32_t nreps, std::int32_t block);

}  // namespace kelvaro
