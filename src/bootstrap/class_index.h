#pragma once
// The class of a bootstrap species: the frequency class whose cumulative probability its uniform
// draw first exceeds, or the not-detected class above them all.

#include <array>
#include <cstdint>
#include <vector>

namespace kelvaro {

// Class of a uniform draw u: 1 + the largest k in 1..t with u > c(k) (1 when there is none).
// c points at c(1). This is the plain rule; ClassIndex gives the same class faster.
// Requires: 1 <= t.
std::int32_t draw_class(const float* c, std::int32_t t, float u);

// The uniform draw a generator word k gives: (k AND FFFFFF00) * 2^-32 = (k >> 8) * 2^-24.
inline float draw_of_word(std::uint32_t k) {
  return static_cast<float>(k & 0xFFFFFF00u) * 0x1p-32f;
}

// A lookup table over one block's cumulative class probabilities c(1..t), built once per block,
// that finds a draw's class from the generator word itself, without forming the float.
// With m = k >> 8 the draw is u = m * 2^-24, and u > c(j) exactly when m > T(j), where
// T(j) = floor(c(j) * 2^24) for 0 <= c(j) < 1 (c(j) * 2^24 is exact: a power-of-two scaling),
// 2^24 for c(j) >= 1 (no m exceeds it) and -1 for c(j) < 0 (every m does; -0.0 gives 0, as
// u > -0.0 only for u > 0). When c is non-decreasing (always so for non-negative frequencies) the
// plain rule's class is 1 + the number of j with m > T(j), so the table keeps that count + 1 for
// the lowest m of each of 2^kClassIndexBits slices (the word's top bits), and a draw continues
// from its slice's entry with a short upward scan. Any c that is not non-decreasing (a fall, or a
// NaN anywhere, since every comparison with NaN is false) goes to draw_class unchanged.
//   c = (0.25, 0.25, 0.5), u = 0.25 -> 1;  u = 0.3 -> 3;  u = 0.5 -> 3;  u = 0.75 -> 4.
inline constexpr int kClassIndexBits = 12;
inline constexpr std::int32_t kClassIndexSlices = 1 << kClassIndexBits;
inline constexpr std::int32_t kClassIndexMaxClasses = 65534;  // start entries are 16-bit

// The storage grows with t; build_class_index fills what find_class reads.
struct ClassIndex {
  std::int32_t t = 0;
  bool non_decreasing = false;
  std::vector<float> bound;  // c(1..t) for the plain rule
  // threshold[j - 1] = T(j) for j = 1..t; threshold[t] = 2^24 stops the scan (no m exceeds it).
  std::vector<std::int32_t> threshold;
  // start[s]: 1 + the number of j with T(j) < s * 2^(24 - kClassIndexBits), the slice's lowest m
  // (filled when non-decreasing).
  std::array<std::uint16_t, kClassIndexSlices> start;
};

// Fills `index` from c(1..t) (c points at c(1); the index keeps its own copy). No shared storage.
// Requires: 1 <= t <= kClassIndexMaxClasses.
void build_class_index(ClassIndex& index, const float* c, std::int32_t t);

// The class of a word by the table alone: find_class when the index is non-decreasing.
// Requires: index.non_decreasing.
inline std::int32_t table_class(const ClassIndex& index, std::uint32_t word) {
  const auto m = static_cast<std::int32_t>(word >> 8);
  std::int32_t j = index.start[word >> (32 - kClassIndexBits)];
  while (m > index.threshold[j - 1]) ++j;
  return j;
}

// The same class as draw_class(c, t, draw_of_word(word)) for the c and t the index was built
// from, for every word.
// (A float draw is not a word: the lookup takes the word the draw comes from.)
std::int32_t find_class(const ClassIndex& index, float) = delete;
inline std::int32_t find_class(const ClassIndex& index, std::uint32_t word) {
  if (!index.non_decreasing) return draw_class(index.bound.data(), index.t, draw_of_word(word));
  return table_class(index, word);
}

}  // namespace kelvaro
