#pragma once
// The class counts of consecutive bootstrap replicates drawn on vector lanes. Each lane takes a
// contiguous slice of the replicates and starts, by jump-ahead, exactly where plain stepping would
// reach its slice's first replicate; the lanes step their generators side by side (one kernel
// step of 8 or 16 generators at a time), find each draw's class from the generator word by the
// block's ClassIndex and count it in their own histogram. Counts are integers, so the order in
// which the lanes make them changes nothing: every path gives the counts the scalar loop gives.

#include <cstdint>

#include "bootstrap/class_index.h"
#include "bootstrap/isa.h"
#include "random/kiss_words.h"

namespace kelvaro {

// Draws `count` replicates of `n` species each, one after another from `words` (which ends
// count * n kernel steps later, where plain stepping leaves it), and writes replicate r's counts
// of classes 1..t+1 (t = index.t) to counts[r * (t + 1) + 0..t]. Takes `isa`'s lanes (a path this
// build or processor lacks falls back to the best one it has).
// Requires: index.non_decreasing, 0 <= n, 0 <= count, counts holds count * (t + 1) values.
void count_replicates(Isa isa, const ClassIndex& index, KissWords& words, std::int32_t n,
                      std::int32_t count, std::uint32_t* counts);

// The lane kernels (lanes_avx2.cpp, lanes_avx512.cpp): lane k starts from lanes[k] and draws q
// replicates of n species, replicate rep's counts going to counts[(k * q + rep) * (t + 1) + 0..t];
// lanes[k] ends n * q steps later. starts32 is index.start widened to 32 bits, with kLaneScan
// added to the slices that hold a threshold (only their words may need the upward scan). Only
// built, and only called, on x86-64.
inline constexpr std::int32_t kLaneScan = 1 << 16;
void count_lanes_avx2(const ClassIndex& index, const std::int32_t* starts32, KissWords* lanes,
                      std::int32_t n, std::int32_t q, std::uint32_t* counts);
void count_lanes_avx512(const ClassIndex& index, const std::int32_t* starts32, KissWords* lanes,
                        std::int32_t n, std::int32_t q, std::uint32_t* counts);

}  // namespace kelvaro
