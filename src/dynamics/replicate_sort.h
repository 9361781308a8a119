#pragma once
// In-place ascending sort of a real array: quicksort with a median-of-three pivot, an explicit
// stack of deferred ranges (the larger part always waits) and straight insertion for short
// ranges that do not start at the first position. Comparisons are written so that a
// not-a-number value, which compares false with everything, stays wherever the steps leave it.

namespace kelvaro {

// Sorts a(1..n) into ascending order in place; a points at a(1). Touches nothing beyond a(n).
// n <= 1 leaves the array unchanged. -0.0 and 0.0 compare equal and keep the order the
// partition steps give them; a NaN is never moved past a value by a comparison, only by swaps.
// When no value is NaN or -0.0, every value has one place in the sorted order (equal values are
// equal bit for bit), so a radix sort of the values' bits gives the very same array, faster; the
// steps above are taken only when a NaN or -0.0 is present.
// Requires: n <= 10000 (the 16-entry stack is then never more than 13 deep).
void sort_replicates(float* a, int n);

// The quicksort steps alone, whatever the values (for tests of the sort itself).
void sort_replicates_by_partition(float* a, int n);

}  // namespace kelvaro
