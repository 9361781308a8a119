#pragma once
// Goodness of fit of model M(h) for one block: the spread of the species counts per site n(i)
// against the spread the frequencies f(i) imply, as a chi-square statistic with t - 1 degrees of
// freedom.

#include <cstdint>
#include <span>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

// X = (S1 / S2) (t - 1) / t, S1 = sum (n(i) - nbar)^2, nbar = D / t, D = sum i f(i) summed in
// single precision, S2 = sum f(i) (i/t) (1 - i/t); everything after D is double precision.
//   t = 3, n = (4, 3, 4), f = (4, 2, 1) -> X = 0.333, df 2, probability 0.8465
// Degenerate input: S2 = 0 or t = 1 gives X = 0 and probability 1. A result that cdtr flags as
// lying outside 0..1 (a hair above 1) is taken as 1, so the probability is 0.
// The test of the t = n.size() sites, n = n(1..t), f = f(1..t).
// Requires: n and f of one size t >= 1.
GoodnessOfFitTest goodness_of_fit_test(std::span<const std::int32_t> n,
                                       std::span<const std::int32_t> f);

}  // namespace kelvaro
