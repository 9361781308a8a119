#include "bootstrap/class_index.h"

#include <cassert>
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

// The first slice whose lower end s / kClassIndexSlices exceeds v (kClassIndexSlices when none
// does): the smallest whole s above v * kClassIndexSlices, which is exact, a power of two.
std::int32_t first_slice_above(float v) {
  const float scaled = v * static_cast<float>(kClassIndexSlices);
  if (!(scaled < static_cast<float>(kClassIndexSlices))) return kClassIndexSlices;
  if (scaled < 0.0f) return 0;
  return static_cast<std::int32_t>(scaled) + 1;  // truncation is floor here: 0 <= scaled
}

}  // namespace

void build_class_index(ClassIndex& index, const float* c, std::int32_t t) {
  assert(t >= 1 && t <= kClassIndexMaxClasses && "class index needs 1 <= t <= 254");
  index.t = t;
  for (std::int32_t k = 1; k <= t; ++k) index.bound[k - 1] = c[k - 1];
  index.bound[t] = std::numeric_limits<float>::infinity();
  // Non-decreasing and free of NaN: -inf <= c(1) <= c(2) <= ... <= c(t), every comparison true.
  index.non_decreasing = true;
  float previous = -std::numeric_limits<float>::infinity();
  for (std::int32_t k = 1; k <= t; ++k) {
    if (!(previous <= c[k - 1])) index.non_decreasing = false;
    previous = c[k - 1];
  }
  if (!index.non_decreasing) return;
  // start[s] = k for the slices from the first whose lower end exceeds c(k-1) up to the last
  // whose lower end does not exceed c(k) (none when c(k-1) = c(k)); t + 1 above c(t).
  std::int32_t from = 0;
  for (std::int32_t k = 1; k <= t; ++k) {
    const std::int32_t above = first_slice_above(c[k - 1]);
    for (std::int32_t s = from; s < above; ++s) index.start[s] = static_cast<std::uint8_t>(k);
    from = above;  // never falls, as c does not
  }
  for (std::int32_t s = from; s < kClassIndexSlices; ++s) {
    index.start[s] = static_cast<std::uint8_t>(t + 1);
  }
}

}  // namespace kelvaro
