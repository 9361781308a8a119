#pragma once
// Test for unequal detection probability between the two samples: their frequency vectors side by
// side as a table of two rows and t classes, classes with small expected values pooled, and the
// chi-square statistic of independence with its degrees of freedom and upper-tail probability.

#include <cstdint>
#include <span>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

// The test for classes 1..t of the table F, F(i, 1) = sample1[i - 1] and F(i, 2) = sample2[i - 1],
// t the size of each: totals of each sample and class, expected values
// E(i, j) = (row(j) * col(i)) / tot, pooling of small classes, the chi-square sum, df and
// 1 - P(chi-square <= sum).
// Degenerate input: t = 1, or every class pooled into one, gives df 0 and probability 1; an
// all-zero table gives NaN expected values, no pooling and chi-square 0. A result that cdtr flags
// as lying outside 0..1 (a hair above 1) is taken as 1, so the probability is 0.
//   F(., 1) = (10, 5, 2), F(., 2) = (12, 6, 1), t = 3 -> chi-square 0.4965, df 2, probability 0.780
// Requires: sample1 and sample2 of one size t >= 1.
EqualDetectionTest equal_detection_test(std::span<const std::int32_t> sample1,
                                        std::span<const std::int32_t> sample2);

}  // namespace kelvaro
