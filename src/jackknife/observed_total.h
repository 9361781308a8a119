#pragma once
// Species observed (R) in a block's frequencies x(1..t), in the three precisions the run uses.
// For whole, non-negative frequencies whose total stays below 2^24 all three are the plain sum.
// They part for negative fractions (a running sum truncated after every addition is pulled down
// by them; trunc of each value drops them) and for large totals (single precision loses units
// above 2^24; a 32-bit sum wraps above 2^31). Each count feeds a different output of the report,
// as specified, so each is named for where it is used:
//   x = (3, -0.5):      double 2, single 2, wrapping 3
//   x = (16777216, 1):  double 16777217, single 16777216, wrapping 16777217
// Requires: x(1..t) readable.

#include <cstdint>

namespace kelvaro {

// The run's R of a block: the parent count of the subsets' community draws and R(1), R(2) of the
// community-dynamics summary. R = trunc(R + x(i)) for i = 1..t, the sum formed in double.
std::int32_t observed_in_double(const float* x, std::int32_t t);

// The R a block's report prints, which also decides whether the block is bootstrapped: the same
// running sum formed in single precision, over the classes estimated (f'(1..t+1) with the pair).
std::int32_t observed_in_single(const float* x, std::int32_t t);

// The jackknife's M(t+1): trunc(x(i)) added as 32-bit integers that wrap.
std::int32_t captured_wrapping(const float* x, std::int32_t t);

}  // namespace kelvaro
