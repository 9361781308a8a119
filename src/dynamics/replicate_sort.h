#pragma once
// In-place ascending sort of a real array: quicksort with a median-of-three pivot, an explicit
// stack of deferred ranges (the larger part always waits) and straight insertion for short
// ranges that do not start at the first position. Comparisons are written so that a
// not-a-number value, which compares false with everything, stays wherever the steps leave it.

namespace kelvaro {

// Sorts a(1..n) into ascending order in place; a points at a(1). Touches nothing beyond a(n).
// n <= 1 leaves the array unchanged. -0.0 and 0.0 compare equal and keep the order the
// partition steps give them; a NaN is never moved past a value by a comparison, only by swaps.
// Requires: n <= 10000 (the 16-entry stack is then never more than 13 deep).
void sort_replicates(float* a, int n);

}  // namespace kelvaro
