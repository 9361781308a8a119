#pragma once
// What the lane kernels (lanes_avx2.cpp, lanes_avx512.cpp, lanes_neon.cpp) do alike around their
// vector loops: each lane's counts of a replicate kept in its own table.stride counters,
// hist[k * stride + j] for class j (j <= t + 1; counter stride - 1 takes the draws a ragged
// replicate drops), plus the counts of the three commonest classes, which the kernels keep in
// vector registers.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "bootstrap/lanes.h"

namespace kelvaro {

// Zeroes each lane's counters of classes 0..width and, for ragged replicates, of the dropped
// draws.
template <int kLanes, bool kRagged>
inline void clear_lane_counts(std::uint32_t* hist, std::int32_t width, std::int32_t stride) {
  for (int k = 0; k < kLanes; ++k) {
    std::fill(hist + k * stride, hist + k * stride + width + 1, 0u);
    if constexpr (kRagged) hist[k * stride + stride - 1] = 0;
  }
}

// Adds the held classes' counts (held_counts[h][k]: lane k's count of table.held[h]) to each
// lane's counters and writes lane k's counts of classes 1..width, replicate rep of its q, to
// counts[(k * q + rep) * width + 0..width-1]. A class not held is 0, whose counter nobody reads.
template <int kLanes, typename HeldCount>
inline void write_lane_counts(std::uint32_t* hist, const HeldCount (&held_counts)[3][kLanes],
                              const LaneTable& table, std::int32_t q, std::int32_t rep,
                              std::int32_t width, std::uint32_t* counts) {
  const std::int32_t stride = table.stride;
  for (int k = 0; k < kLanes; ++k) {
    for (int h = 0; h < 3; ++h) {
      hist[k * stride + table.held[h]] += static_cast<std::uint32_t>(held_counts[h][k]);
    }
    std::uint32_t* row = counts + (static_cast<std::ptrdiff_t>(k) * q + rep) * width;
    std::copy(hist + k * stride + 1, hist + k * stride + 1 + width, row);
  }
}

// The lanes' generators back from their four words stored lane by lane.
template <int kLanes>
inline void put_lane_words(KissWords* lanes, const std::uint32_t* z, const std::uint32_t* w,
                           const std::uint32_t* a, const std::uint32_t* b) {
  for (int k = 0; k < kLanes; ++k) lanes[k] = KissWords{z[k], w[k], a[k], b[k]};
}

}  // namespace kelvaro
