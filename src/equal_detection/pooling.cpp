// Expected values, pooling and chi-square sum of the test for unequal p's.

#include "equal_detection/pooling.h"

#include <algorithm>

#include "numeric/conversions.h"

namespace kelvaro {

namespace {

// Starting value of the running minima: larger than any expected value worth pooling.
constexpr float kNoMinimum = 9999.0f;
// A class is pooled while its smallest expected cell is below this value.
constexpr float kPoolBelow = 2.0f;

// The class other than first holding the smallest positive cell (scan order, strict), or 0.
std::int32_t smallest_other_class(const CellTable& E, std::int32_t t, std::int32_t first) {
  float m2 = kNoMinimum;
  std::int32_t second = 0;
  for (std::int32_t i = 1; i <= t; ++i) {
    for (int j = 1; j <= 2; ++j) {
      if (i != first && E(i, j) > 0.0f && E(i, j) < m2) {
        m2 = E(i, j);
        second = i;
      }
    }
  }
  return second;
}

}  // namespace

std::int32_t usable_classes(std::int32_t t) { return std::max<std::int32_t>(t, 0); }

void expected_values(const Array1<float, 2>& row, const Vector1<float>& col, float tot,
                     std::int32_t t, CellTable& E) {
  for (std::int32_t i = 1; i <= t; ++i) {
    for (int j = 1; j <= 2; ++j) {
      const float product = row(j) * col(i);
      E(i, j) = product / tot;
    }
  }
}

PoolChoice choose_pool_classes(const CellTable& E, std::int32_t t) {
  PoolChoice c{0, 0, kNoMinimum};
  float m2 = kNoMinimum;
  for (std::int32_t i = 1; i <= t; ++i) {
    for (int j = 1; j <= 2; ++j) {
      const float e = E(i, j);
      if (!(e > 0.0f)) continue;
      if (e < c.m1) {
        c.m1 = e;
        c.first = i;
      }
      // Against first as it now stands: the running first class is never its own second.
      if (e < m2 && i != c.first) {
        m2 = e;
        c.second = i;
      }
    }
  }
  // A class can become the running second and then, by a smaller cell of its own, the first.
  if (c.first != 0 && c.second == c.first) c.second = smallest_other_class(E, t, c.first);
  return c;
}

std::int32_t pool_classes(CellTable& O, CellTable& E, std::int32_t t, std::int32_t df) {
  if (t < 1) return df;  // no class to pool
  // E(1, 1) + 1 below 2 exactly when E(1, 1) is below 1: only then is anything pooled.
  float m1 = E(1, 1) + 1.0f;
  for (std::int32_t k = 1; m1 < kPoolBelow && k <= t; ++k) {
    const PoolChoice c = choose_pool_classes(E, t);
    m1 = c.m1;
    if (m1 < kPoolBelow && c.first != 0 && c.second != 0) {
      for (int j = 1; j <= 2; ++j) {
        E(c.second, j) = E(c.second, j) + E(c.first, j);
        O(c.second, j) = O(c.second, j) + O(c.first, j);
        E(c.first, j) = 0.0f;
        O(c.first, j) = 0.0f;
      }
      df = wrap_sub(df, 1);
    }
  }
  return df;
}

double chi_square_sum(const CellTable& O, const CellTable& E, std::int32_t t) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= t; ++i) {
    for (int j = 1; j <= 2; ++j) {
      if (!(E(i, j) > 0.0f)) continue;
      const float diff = O(i, j) - E(i, j);
      const float square = diff * diff;
      const float term = square / E(i, j);
      sum += static_cast<double>(term);
    }
  }
  return sum;
}

}  // namespace kelvaro
