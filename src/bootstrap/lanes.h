#pragma once
// The class counts of consecutive bootstrap replicates drawn on vector lanes. Each lane takes a
// contiguous slice of the replicates and starts, by jump-ahead, exactly where plain stepping would
// reach its slice's first replicate; the lanes step their generators side by side (one kernel
// step of 4, 8 or 16 generators at a time) and count each draw's class in their own histogram:
// the commonest classes in registers, the others found from the generator word by one lookup in
// the block's LaneTable (on x86, a vector of such draws at a time, in a second pass). Counts are
// integers, so the order in which the lanes make them changes nothing: every path gives the
// counts the scalar loop gives.

#include <cstdint>
#include <vector>

#include "bootstrap/class_index.h"
#include "bootstrap/isa.h"
#include "random/kiss_words.h"

namespace kelvaro {

// The lanes' lookup, built once per block from its ClassIndex: one 32-bit entry per slice of the
// word's top `bits` bits (12, 14 or 16), so that a draw's class comes from one table load and one
// comparison, without a scan. With m = word >> 8 and m_low its bits below the slice (24 - bits of
// them), a slice whose numerators hold at most one distinct threshold T has the class
// class_low for m_low <= off and class_high above it, off = T - the slice's lowest m (off = the
// slice's width - 1 when it holds none: no m_low exceeds it). A slice holding two or more
// distinct thresholds has the multi flag set: its draws are classed by table_class, word by word.
// `bits` is the fewest that leave such slices rare (at most one slice in 256; usually none).
// Two layouts of an entry, the narrow one for up to 254 classes (t <= 253), the wide one, whose
// table starts at 14 bits, for up to kLaneMaxClasses:
//   narrow: bits 0-12 off, bit 13 multi, bits 16-23 class_low, bits 24-31 class_high
//   wide:   bits 0-9 off,  bit 10 multi, bits 11-20 class_low, bits 21-30 class_high
// Each lane counts class j in its own `stride` counters (hist[k * stride + j]); the last counter,
// stride - 1, which no class uses, takes the draws a ragged replicate drops (NEON; the x86 kernels
// leave them uncounted).
inline constexpr std::int32_t kLaneMaxClasses = 1023;
inline constexpr std::int32_t kLaneMaxStride = 1040;  // 1024 counters and a cache line
struct LaneTable {
  int bits = 12;
  std::vector<std::int32_t> entry;  // 2^bits entries
  std::int32_t multi = 1 << 13;     // the multi flag; off is the bits below it
  int class_low = 16;               // where class_low and class_high start
  int class_high = 24;
  std::int32_t class_mask = 0xFF;  // the bits of a class field once shifted down
  std::int32_t stride = 256;       // counters per lane
  // The three classes (of 1..t+1) with the most numerators, which the kernels count in registers
  // (0: none, when t + 1 < 3). Class held[h] takes the numerators m with
  // held_above[h] < m <= held_upto[h] (T(held - 1) < m <= T(held), an empty range for class 0), so
  // that the x86 kernels tell a held class from the word without the table.
  std::int32_t held[3] = {0, 0, 0};
  std::int32_t held_above[3] = {0, 0, 0};
  std::int32_t held_upto[3] = {-1, -1, -1};
};

// Requires: index.non_decreasing.
void build_lane_table(const ClassIndex& index, LaneTable& table);

// Draws `count` replicates of `n` species each, one after another from `words` (which ends
// count * n kernel steps later, where plain stepping leaves it), and writes replicate r's counts
// of classes 1..t+1 (t = index.t) to counts[r * (t + 1) + 0..t]. Takes `isa`'s lanes (a path this
// build or processor lacks falls back to the best one it has). `table` is build_lane_table's of
// `index`; the overload without it builds one.
// Requires: index.non_decreasing, 0 <= n, 0 <= count, index.t + 1 <= kLaneMaxClasses, counts
// holds count * (t + 1) values.
void count_replicates(Isa isa, const ClassIndex& index, const LaneTable& table, KissWords& words,
                      std::int32_t n, std::int32_t count, std::uint32_t* counts);
void count_replicates(Isa isa, const ClassIndex& index, KissWords& words, std::int32_t n,
                      std::int32_t count, std::uint32_t* counts);

// The same for replicates that each start from their own words: replicate r draws sizes[r]
// species (none when sizes[r] <= 0) from starts[r], as a subset's replicates do once a pass over
// the stream has made their community sizes and found where each one's species draws start.
// Requires: index.non_decreasing, 0 <= count, index.t + 1 <= kLaneMaxClasses, counts holds
// count * (t + 1) values.
void count_replicates_from(Isa isa, const ClassIndex& index, const LaneTable& table,
                           const KissWords* starts, const std::int32_t* sizes, std::int32_t count,
                           std::uint32_t* counts);

// The lane kernels (lanes_avx2.cpp, lanes_avx512.cpp): lane k starts from lanes[k] and draws q
// replicates of n species, replicate rep's counts going to counts[(k * q + rep) * (t + 1) + 0..t];
// lanes[k] ends n * q steps later. With sizes (one per lane, each at most n), lane k counts only
// the first sizes[k] draws of each replicate (the rest are drawn and dropped). The AVX ones are
// only built, and only called, on x86-64; the NEON one (lanes_neon.cpp) on aarch64.
void count_lanes_avx2(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                      const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                      std::uint32_t* counts);
void count_lanes_avx512(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                        const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                        std::uint32_t* counts);
void count_lanes_neon(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                      const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                      std::uint32_t* counts);

}  // namespace kelvaro
