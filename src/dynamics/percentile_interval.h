#pragma once
// 95% percentile interval of one parameter's bootstrap replicates: the values are sorted and the
// limits are the values ranked nearest 2.5% and 97.5% of the replicates.

namespace kelvaro {

struct PercentileInterval {
  float lower;
  float upper;
};

// The lower rank j for n replicates: trunc(n * 0.025 + 0.5001), n/40 rounded with halves upward
// (0 for n < 20). Requires: 0 <= n <= 10000.
int lower_rank(int n);

// Sorts values[0..n-1] in place and returns the sorted values at ranks j and n - j:
// n = 20 -> ranks 1 and 19, n = 100 -> 3 and 97, n = 1000 -> 25 and 975. With fewer than 20
// replicates j is 0: lower is then the smallest value (rank 1) and upper the largest (rank n).
// With n = 0 both limits are NaN and nothing is read.
// Requires: 0 <= n <= 10000.
PercentileInterval percentile_interval(float* values, int n);

}  // namespace kelvaro
