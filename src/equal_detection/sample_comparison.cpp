// The test for unequal p's: totals, pooling and chi-square.

#include "equal_detection/sample_comparison.h"

#include "equal_detection/pooling.h"
#include "numeric/conversions.h"
#include "probability/cdtr.h"

namespace kelvaro {

EqualDetectionTest equal_detection_test(std::span<const std::int32_t> sample1,
                                        std::span<const std::int32_t> sample2) {
  const auto t = static_cast<std::int32_t>(sample1.size());
  const std::int32_t n = usable_classes(t);
  // F(i, j): class i of sample j.
  const auto F = [&](std::int32_t i, int j) {
    return (j == 1 ? sample1 : sample2)[static_cast<std::size_t>(i - 1)];
  };
  EqualDetectionTest r;
  r.classes = t;
  r.df = wrap_sub(t, 1);

  Array1<float, 2> row{};  // sample totals
  Vector1<float> col(n);   // class totals
  float tot = 0.0f;
  CellTable O(n);
  CellTable E(n);
  for (int j = 1; j <= 2; ++j) {
    for (std::int32_t i = 1; i <= n; ++i) {
      const float cell = static_cast<float>(F(i, j));
      O(i, j) = cell;
      row(j) = row(j) + cell;
      col(i) = col(i) + cell;
      tot = tot + cell;
    }
  }
  expected_values(row, col, tot, n, E);
  r.df = pool_classes(O, E, n, r.df);
  r.chi_square = chi_square_sum(O, E, n);

  for (int j = 1; j <= 2; ++j) {
    for (std::int32_t i = 1; i <= n; ++i) {
      r.observed[j - 1].push_back(F(i, j));
      r.pooled[j - 1].push_back(O(i, j));
      r.expected[j - 1].push_back(E(i, j));
    }
  }

  r.probability = chi_square_upper_tail(r.chi_square, r.df);
  return r;
}

}  // namespace kelvaro
