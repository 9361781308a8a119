#include "bootstrap/class_index.h"

#include <cassert>
#include <cmath>
#include <limits>

namespace kelvaro {

std::int32_t draw_class(const float* c, std::int32_t t, float u) {
  // The comparison is strict: a draw equal to c(k) stays in class k.
  for (std::int32_t k = t; k >= 1; --k) {
    if (u > c[k - 1]) return k + 1;
  }
  return 1;
}

namespace {

// 2^24: the number of distinct draws, and a threshold no draw numerator m exceeds.
constexpr std::int32_t kDraws = 1 << 24;
// Draw numerators per slice.
constexpr std::int32_t kSliceWidth = kDraws / kClassIndexSlices;

std::int32_t threshold_of(float c) {
  if (c < 0.0f) return -1;
  if (c >= 1.0f) return kDraws;
  return static_cast<std::int32_t>(std::floor(c * static_cast<float>(kDraws)));  // exact
}

}  // namespace

void build_class_index(ClassIndex& index, const float* c, std::int32_t t) {
  assert(t >= 1 && t <= kClassIndexMaxClasses && "class index needs 1 <= t <= 254");
  index.t = t;
  for (std::int32_t k = 1; k <= t; ++k) index.bound[k - 1] = c[k - 1];
  // Non-decreasing and free of NaN: -inf <= c(1) <= c(2) <= ... <= c(t), every comparison true.
  index.non_decreasing = true;
  float previous = -std::numeric_limits<float>::infinity();
  for (std::int32_t k = 1; k <= t; ++k) {
    if (!(previous <= c[k - 1])) index.non_decreasing = false;
    previous = c[k - 1];
  }
  if (!index.non_decreasing) return;
  for (std::int32_t k = 1; k <= t; ++k) index.threshold[k - 1] = threshold_of(c[k - 1]);
  index.threshold[t] = kDraws;
  // start[s] = 1 + the number of thresholds below the slice's lowest numerator s * kSliceWidth;
  // both rise with s, so one pass over the thresholds serves every slice.
  std::int32_t below = 0;
  for (std::int32_t s = 0; s < kClassIndexSlices; ++s) {
    while (below < t && index.threshold[below] < s * kSliceWidth) ++below;
    index.start[s] = static_cast<std::uint8_t>(below + 1);
  }
}

}  // namespace kelvaro
