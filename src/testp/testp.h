#pragma once
// Test for unequal detection probability between the two samples: their frequency vectors side by
// side as a table of two rows and t classes, classes with small expected values pooled, and the
// chi-square statistic of independence with its degrees of freedom and upper-tail probability.

#include <cstdint>

#include "shared/array.h"

namespace kelvaro {

// F(i, j): frequency class i of sample j (column 1 Sample 1, column 2 Sample 2).
using FreqTable = Array2<std::int32_t, 100, 2>;

// Prints the test for classes 1..t of F: the observed table, the pooled observed and expected
// tables (ten values per line), the chi-square sum, df and 1 - P(chi-square <= sum).
// Adds F into the saved totals row, col and tot and sets the saved df (see reset_testp).
// Reads and writes no shared storage area.
// Degenerate input: t = 1, or every class pooled into one, gives df 0 and probability 1; an
// all-zero table gives NaN expected values, no pooling and chi-square 0. A result that cdtr flags
// as lying outside 0..1 (a hair above 1) is taken as 1, so the probability prints as 0.
// Requires: 1 <= t <= 100 (classes beyond 100 are never indexed; df is still t - 1).
void testp(const FreqTable& F, std::int32_t t);

// Zeroes the saved statics row, col, tot and df, as at program start.
void reset_testp();

}  // namespace kelvaro
