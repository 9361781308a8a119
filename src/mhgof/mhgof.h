#pragma once
// Goodness of fit of model M(h) for one block: the spread of the species counts per site n(i)
// against the spread the frequencies f(i) imply, as a chi-square statistic with t - 1 degrees of
// freedom, printed as one result line.

#include <cstdint>

#include "shared/array.h"

namespace kelvaro {

// Prints the M(h) test: title, n(1..t) and f(1..t), the error box when the statistic is degenerate,
// then " M(h) GOF test: Chi-square = ... df = ... Prob = ..." with Prob = 1 - P(chi-square <= X),
// where X = (S1 / S2) (t - 1) / t, S1 = sum (n(i) - nbar)^2, nbar = D / t, D = sum i f(i) summed in
// single precision, S2 = sum f(i) (i/t) (1 - i/t); everything after D is double precision.
//   t = 3, n = (4, 3, 4), f = (4, 2, 1) ->
//   " M(h) GOF test: Chi-square =    0.333 df =   2 Prob =   0.8465"
// Reads and writes no shared storage area (compn passes work03 nsite and fint).
// Degenerate input: S2 = 0 or t = 1 prints the error box and a statistic of 0.000 with probability
// 1.0000. A result that cdtr flags as lying outside 0..1 (a hair above 1) is taken as 1, so the
// probability prints as 0.0000.
// Requires: 1 <= t <= 100.
void mhgof(std::int32_t t, const Array1<std::int32_t, 100>& n, const Array1<std::int32_t, 100>& f);

}  // namespace kelvaro
