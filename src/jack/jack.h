#pragma once
// The jackknife estimator of population size under model M(h) (capture probability varying from
// animal to animal): estimates of orders 1..5, a chi-square test of each order against the next,
// a standard error that allows for the choice of order, and the interpolated point estimate.
//
//   t = 5, f = (20, 8, 3, 1, 0): N(1..5) = 48.00, 56.40, 60.80, 62.74, 62.74;
//   chisq(1..3) = 10.333, 4.035, 2.531 (test 4 skipped); estimate 56.97, standard error 9.64.

namespace kelvaro {

// Rebuilds work02.coef (coeff), then: no animals -> estimate 0, standard error 0; one animal ->
// 1 and 1. Otherwise stores N(k), SE(k) in work02.nk/sek for k = 1..5 and the test statistics
// in work02.chisq (0 for tests not made, including a test whose denominator is exactly 0, which
// sets work02.weights_unbalanced when a later test is made, since the weights then no longer sum
// to 1; work02.fell_back tells whether interp fell back on N(1)), weighs
// the orders 1..min(5, t) by the powers of the tests (cpower) and returns sqrt of the mixture
// variance as the standard error and interp()'s value as the estimate (neither rounded).
// Reads minsuf (f, M, ntrap, treal, mreal). Prints nothing; zero divisors are not tested for.
// Requires: minsuf filled by readj.
void jack(float& estimate, float& standard_error);

}  // namespace kelvaro
