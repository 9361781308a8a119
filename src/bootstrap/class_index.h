#pragma once
// The class of a bootstrap species: the frequency class whose cumulative probability its uniform
// draw first exceeds, or the not-detected class above them all.

#include <cstdint>

namespace kelvaro {

// Class of a uniform draw u: 1 + the largest k in 1..t with u > c(k) (1 when there is none).
// c points at c(1). This is the plain rule; ClassIndex gives the same class faster.
// Requires: 1 <= t.
std::int32_t draw_class(const float* c, std::int32_t t, float u);

// A lookup table over one block's cumulative class probabilities c(1..t), built once per block.
// When c is non-decreasing (always so for non-negative frequencies), the plain rule's class is
// 1 + the number of k with c(k) < u, so the table keeps that count + 1 for the lower end of each
// of 2^kClassIndexBits equal slices of [0, 1), and a draw continues from its slice's entry with
// a short upward scan. Any c that is not non-decreasing (a fall, or a NaN anywhere, since every
// comparison with NaN is false), and any u outside [0, 1), goes to draw_class unchanged.
//   c = (0.25, 0.25, 0.5), u = 0.25 -> 1;  u = 0.3 -> 3;  u = 0.5 -> 3;  u = 0.75 -> 4.
inline constexpr int kClassIndexBits = 12;
inline constexpr std::int32_t kClassIndexSlices = 1 << kClassIndexBits;
inline constexpr std::int32_t kClassIndexMaxClasses = 254;  // entries are stored as bytes

// The arrays are left as they are until build_class_index fills what find_class reads.
struct ClassIndex {
  std::int32_t t = 0;
  bool non_decreasing = false;
  // bound[k - 1] = c(k) for k = 1..t; bound[t] = +infinity stops the scan, as no u exceeds it.
  float bound[kClassIndexMaxClasses + 1];
  // start[s]: 1 + the number of k with c(k) < s / kClassIndexSlices (filled when non-decreasing).
  std::uint8_t start[kClassIndexSlices];
};

// Fills `index` from c(1..t) (c points at c(1); the index keeps its own copy). No shared storage.
// Requires: 1 <= t <= kClassIndexMaxClasses.
void build_class_index(ClassIndex& index, const float* c, std::int32_t t);

// The same class as draw_class(c, t, u) for the c and t the index was built from, for every u.
inline std::int32_t find_class(const ClassIndex& index, float u) {
  if (!index.non_decreasing || !(u >= 0.0f && u < 1.0f)) {
    return draw_class(index.bound, index.t, u);
  }
  // u * kClassIndexSlices is exact (a power of two) and below kClassIndexSlices.
  const auto slice = static_cast<std::int32_t>(u * static_cast<float>(kClassIndexSlices));
  std::int32_t j = index.start[slice];
  while (u > index.bound[j - 1]) ++j;
  return j;
}

}  // namespace kelvaro
