#pragma once
// Bootstrap average and standard error of one column of work04.boot, taken over rows 1..n in
// replicate order. Every replicate counts, whatever its value (one NaN makes both NaN).

namespace kelvaro {

// Sum of boot(1..n, k) in a real accumulator, rounded after each addition, divided by real(n).
// n = 0 gives 0/0, NaN. Reads work04.boot only.
// Requires: 1 <= k <= 12, 0 <= n <= 10000.
float boot_average(int k, int n);

// sqrt(sum / (real(n) - 1)) where sum is a real accumulator of (boot(i,k) - average)^2, each
// difference and square formed in double, the sum rounded to a real after each addition; the
// division and root are formed in double and rounded once. n = 1 gives NaN (0/0); n = 0 gives
// sqrt(0 / -1) = -0.0. Values 1..20 give sqrt(665/19) = 5.9161.
// Reads work04.boot only. Requires: 1 <= k <= 12, 0 <= n <= 10000.
float boot_error(int k, int n, float average);

}  // namespace kelvaro
