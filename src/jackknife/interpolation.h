#pragma once
// The reported jackknife estimate: takes the first order kk whose test against the next order is
// not significant (statistic below 3.84) and interpolates between orders kk-1 and kk by how far
// the previous statistic lies above 3.84; for kk = 1 the comparison is with the animals seen.
//
//   t = 5,  f = (20, 8, 3, 1, 0)                -> 56.97 (between N(2) and N(3))
//   t = 10, f = (12, 6, 4, 3, 2, 1, 1, 0, 1, 0) -> 39.93
//   t = 6,  f = (2, 3, 5, 6, 4, 5)              -> 28.67 (= M + a(1,1) f(1))

#include <cstdint>

#include "jackknife/coefficients.h"
#include "jackknife/estimator.h"

namespace kelvaro {

// How the estimate is formed from the order estimates and tests: a blend of two orders'
// coefficients summed over the classes, sum of f(j) * c(j) in class order, with
// c(j) = a(kk, j) * a + a(kk - 1, j) * b (for kk = 1: a(1, j) * a + b); or a value without a sum.
// Above class kCorrectedClasses every coefficient is 1, so c(j) is one value there.
struct InterpolationPlan {
  bool blends = false;
  // kk; from 2 on, a blend below the animals seen falls back to N(1).
  std::int32_t order = 1;
  float a = 0.0f;
  float b = 0.0f;
  float value = 0.0f;  // the estimate when it does not blend
};
InterpolationPlan plan_interpolation(const OrderTables& orders, const CoefficientTable& coef,
                                     const CaptureFrequencies& data);
// c(j) for table column `column`.
float blend_coefficient(const CoefficientTable& coef, const InterpolationPlan& plan,
                        std::int32_t column);
// The blend's sum over classes 1..min(t, kCorrectedClasses); the later classes continue it, each
// adding f(j) * blend_coefficient(coef, plan, kCorrectedClasses + 1).
float blend_corrected(const CoefficientTable& coef, const CaptureFrequencies& data,
                      const InterpolationPlan& plan);
// The estimate from the plan and, when it blends, the blend's whole sum.
float finish_interpolation(const InterpolationPlan& plan, float blended, const OrderTables& orders,
                           const CaptureFrequencies& data, bool& fell_back);

// Returns the interpolated estimate E (not rounded). Falls back to N(1) when the interpolation
// gives less than the animals seen (kk >= 2; fell_back is then set), or when kk = 1 and the data
// neither support the comparison with order 0 nor show most of the population seen (M >= 20 and
// f(1)/M <= 0.1, which gives M + a(1,1) f(1)).
// Requires: the tables as the estimator leaves them, at least two animals captured.
float interpolated_estimate(const OrderTables& orders, const CoefficientTable& coef,
                            const CaptureFrequencies& data, bool& fell_back);

}  // namespace kelvaro
