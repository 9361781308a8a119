#pragma once
// Bootstrap average and standard error of one parameter over the replicates, taken in replicate
// order. Every replicate counts, whatever its value (one NaN makes both NaN).

namespace kelvaro {

// Sum of values[0..n-1] in a real accumulator, rounded after each addition, divided by real(n).
// n = 0 gives 0/0, NaN.
// Requires: 0 <= n <= 10000, values[0..n-1] readable.
float replicate_average(const float* values, int n);

// sqrt(sum / (real(n) - 1)) where sum is a real accumulator of (value - average)^2, each
// difference and square formed in double, the sum rounded to a real after each addition; the
// division and root are formed in double and rounded once. n = 1 gives NaN (0/0); n = 0 gives
// sqrt(0 / -1) = -0.0. Values 1..20 give sqrt(665/19) = 5.9161.
// Requires: 0 <= n <= 10000, values[0..n-1] readable.
float replicate_error(const float* values, int n, float average);

}  // namespace kelvaro
