#pragma once
// The jackknife order a block's estimate was chosen by: the first order k (1..min(5, t)) whose
// test against order k + 1 is not significant (statistic below 3.84, the 5% point of chi-square
// with 1 d.f., in single precision as the estimator compares it), else min(5, t). The estimate
// lies between orders k - 1 and k (order 0 being the species observed). 0 when the block has no
// orders (fewer than two species observed, or no sites).

#include <algorithm>
#include <cstdint>

#include "kelvaro/kelvaro.h"

inline int chosen_order(const kelvaro::BlockResult& b) {
  if (b.observed < 2 || b.classes < 1) return 0;
  constexpr float kCritical = 3.84f;
  const int m = static_cast<int>(std::min<std::int32_t>(5, b.classes));
  for (int k = 1; k <= m; ++k) {
    if (b.test_statistics[static_cast<std::size_t>(k - 1)] < kCritical) return k;
  }
  return m;
}
