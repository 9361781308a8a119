#pragma once
// Estimation of one data block: the observed-count and frequency lines, the jackknife estimate
// (rounded for the report, unrounded in work03.nest), the bootstrap, and the M(h) test.

#include <cstdint>
#include <string_view>

namespace kelvaro {

// Handles block `block` (1 Sample 1, 2 Sample 2, 3 Subset A, 4 Subset B) as the driver left it in
// work01 (x, t) and work03 (nobs, nsite, fint). With `pair` non-zero the estimate is made from
// f'(1..t+1), stored in x(t+1..2t+1); x(1..t) and t are put back before the M(h) test.
// Writes work03.nest(block), work01.est (rounded), work01.se; the bootstrap writes work04.
// A block with no species observed gets no bootstrap and no M(h) test.
// Labels are 6 characters each, printed in full.
// Requires: 1 <= work01.t <= 98 (<= 49 with the pair), |nreps| <= 10000.
void compn(std::int32_t nreps, std::int32_t block, std::string_view observed_label,
           std::string_view estimate_label, std::int32_t pair);

}  // namespace kelvaro
