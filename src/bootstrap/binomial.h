#pragma once
// Binomial counts for the bootstrap of the two subsets, drawn from the run's uniform stream.

#include <cstdint>

#include "random/uniform_generator.h"

namespace kelvaro {

// Draws a count of successes in n trials of probability q from the generator; keeps no state.
// All comparisons and arithmetic are in single precision:
//   q > 0.9999                  -> n, no draw (q above 1 included);
//   q <= 0                      -> 0, no draw;
//   n <= 300                    -> number of draws u, one per trial, with q >= u (0 when n <= 0);
//   n > 300, m = n*q:
//     q < 0.05 or q > 0.95, and exp(-m) > 0
//                               -> product rule: multiply draws into P until exp(-m) > P; the
//                                  result is the number of factors before the last (r + 1 draws);
//     otherwise                 -> normal approximation from exactly 12 draws:
//                                  trunc(sqrt((1 - q)*m)*(-6 + u1 + ... + u12) + m + 0.5).
// When exp(-m) underflows to 0 (m above about 103.97) the product could never fall below it, so
// those cases take the normal approximation. The normal result is bounded neither by 0 nor by n;
// NaN q draws n times and counts 0 (n <= 300) or gives -2147483648 after 12 draws (n > 300).
// Requires: nothing; any n and q are accepted.
std::int32_t binomial_count(std::int32_t n, float q, UniformGenerator& generator);

}  // namespace kelvaro
