#include "bootstrap/class_index.h"

#include <algorithm>
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
  assert(t >= 1 && t <= kClassIndexMaxClasses && "class index needs 1 <= t <= 65534");
  index.t = t;
  index.bound.assign(c, c + t);
  // Non-decreasing and free of NaN: -inf <= c(1) <= c(2) <= ... <= c(t), every comparison true.
  index.non_decreasing = true;
  float previous = -std::numeric_limits<float>::infinity();
  for (std::int32_t k = 1; k <= t; ++k) {
    if (!(previous <= c[k - 1])) index.non_decreasing = false;
    previous = c[k - 1];
  }
  if (!index.non_decreasing) return;
  index.threshold.resize(static_cast<std::size_t>(t) + 1);
  for (std::int32_t k = 1; k <= t; ++k) index.threshold[k - 1] = threshold_of(c[k - 1]);
  index.threshold[t] = kDraws;
  // start[s] = 1 + the number of thresholds below the slice's lowest numerator s * kSliceWidth;
  // both rise with s, so one pass over the thresholds serves every slice: threshold k (0-based)
  // raises the count to k + 1 from the first slice whose lowest numerator exceeds it on.
  std::int32_t s = 0;
  for (std::int32_t k = 0; k < t && s < kClassIndexSlices; ++k) {
    const std::int32_t threshold = index.threshold[k];
    // The first slice with s * kSliceWidth > threshold (0 for a threshold of -1).
    const std::int32_t above =
        threshold < 0 ? 0 : std::min(threshold / kSliceWidth + 1, kClassIndexSlices);
    if (above > s) {
      std::fill(index.start.begin() + s, index.start.begin() + above,
                static_cast<std::uint16_t>(k + 1));
      s = above;
    }
  }
  std::fill(index.start.begin() + s, index.start.end(), static_cast<std::uint16_t>(t + 1));
}

}  // namespace kelvaro
