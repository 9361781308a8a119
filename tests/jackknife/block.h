#pragma once
// Test helper: estimates a block's frequencies x(1..t) (0 above the values given) with an
// estimator that has estimated nothing before.

#include <array>
#include <cstdint>
#include <initializer_list>

#include "jackknife/estimator.h"

namespace kelvaro::jacktest {

inline JackknifeResult estimate_block(std::int32_t t, std::initializer_list<float> x) {
  std::array<float, 100> v{};
  std::size_t i = 0;
  for (const float f : x) v[i++] = f;
  JackknifeEstimator estimator;
  return estimator.estimate(v.data(), t);
}

}  // namespace kelvaro::jacktest
