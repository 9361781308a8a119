#pragma once
// Power of the 5 percent chi-square test with 1 degree of freedom (reject above 3.8416 = 1.96^2)
// when the statistic is non-central with non-centrality lambda:
//   power = 1 - sum over i >= 0 of Poisson(i; lambda/2) * P(chi-square with 1+2i d.f. <= 3.8416).
//
//   lambda = 0 -> about 0.05      lambda >= 700 -> 1.0      lambda < 0 -> -1.0

namespace kelvaro {

// Sets power as above (single precision; the Poisson terms and lambda/2 in double).
// Bad arguments (level outside 0..1, lambda < 0): power = -1.0. A failure of cdtr: power = -2.0.
// lambda >= 700: power = 1.0 without calling cdtr. The critical value does not depend on level.
// The chi-square probabilities of the terms are the same in every sum: each is worked out by cdtr
// the first time a sum reaches it and kept for the rest of the process (lambda near 700 needs
// about 450 of them). No shared storage.
// Requires: nothing.
void cpower(float level, double lambda, float& power);

// Forgets the kept term probabilities; the next sums work them out again. The results of cpower
// do not change.
void reset_cpower_terms();

}  // namespace kelvaro
