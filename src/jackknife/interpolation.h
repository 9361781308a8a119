#pragma once
// The reported jackknife estimate: takes the first order kk whose test against the next order is
// not significant (statistic below 3.84) and interpolates between orders kk-1 and kk by how far
// the previous statistic lies above 3.84; for kk = 1 the comparison is with the animals seen.
//
//   t = 5,  f = (20, 8, 3, 1, 0)                -> 56.97 (between N(2) and N(3))
//   t = 10, f = (12, 6, 4, 3, 2, 1, 1, 0, 1, 0) -> 39.93
//   t = 6,  f = (2, 3, 5, 6, 4, 5)              -> 28.67 (= M + a(1,1) f(1))

#include "jackknife/coefficients.h"
#include "jackknife/estimator.h"

namespace kelvaro {

// Returns the interpolated estimate E (not rounded). Falls back to N(1) when the interpolation
// gives less than the animals seen (kk >= 2; fell_back is then set), or when kk = 1 and the data
// neither support the comparison with order 0 nor show most of the population seen (M >= 20 and
// f(1)/M <= 0.1, which gives M + a(1,1) f(1)).
// Requires: the tables as the estimator leaves them, at least two animals captured.
float interpolated_estimate(const OrderTables& orders, const CoefficientTable& coef,
                            const CaptureFrequencies& data, bool& fell_back);

}  // namespace kelvaro
