#pragma once
// Entry to the jackknife estimator: turns the block in hand into integer capture frequencies and
// the counts the estimator needs, then runs the estimator with its results going back to work01.

#include <cstdint>

namespace kelvaro {

// Prepares minsuf from work01 and estimates: ntrap = t, treal = real(t); f(1..100) and M(1..101)
// zeroed, f(i) = trunc(x(i)) for i = 1..t, M(t+1) = f(1) + ... + f(t) (wrapping integer sum),
// mreal = real(M(t+1)); then jack(work01.est, work01.se).
// Reads work01.x and work01.t; writes all of minsuf, work01.est, work01.se (and work02 via jack).
// Fractions of x are dropped without notice. A t outside 1..100 reads no class beyond x(100);
// when t + 1 is not a class of M (t < 0 or t > 100) no count is stored and mreal is 0, so the
// estimator takes its path for no animals captured.
// Requires: 1 <= work01.t <= 100 for a meaningful estimate.
void readj();

// M(t+1) with t = minsuf.ntrap: the number of distinct animals captured, as readj stored it;
// 0 when t + 1 lies outside 1..101.
std::int32_t captured();

}  // namespace kelvaro
