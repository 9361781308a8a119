// The 8-lane kernel: AVX2, compiled for it by the function's target attribute alone (the rest of
// the build assumes no vector extension; count_replicates calls it only on a processor that has
// AVX2).
#include "bootstrap/lane_counts.h"
#include "bootstrap/lanes.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <algorithm>

namespace kelvaro {
namespace {

// For each mask of 8 lanes, the lanes it selects, in order, then zeros: the permutation that
// packs the selected lanes of a vector at its start (what AVX-512's compress does in one step).
struct PackTable {
  alignas(32) std::int32_t lanes[256][8];
};
constexpr PackTable make_pack_table() {
  PackTable table{};
  for (int mask = 0; mask < 256; ++mask) {
    int next = 0;
    for (int k = 0; k < 8; ++k) {
      if (((mask >> k) & 1) != 0) table.lanes[mask][next++] = k;
    }
  }
  return table;
}
constexpr PackTable kPack = make_pack_table();

// Classes the buffered draws of count_lanes and counts them: each entry is a draw's numerator
// m = word >> 8 with its lane in bits 24-26. Eight at a time, the table (one gather) gives their
// classes and the entries become their counters' places, hist[lane * stride + class]; the counting
// lags kLag entries behind, so that the processor increments while it gathers. The 8 entries
// after `count` are zeroed (the buffer has room), classed and not counted. Inlined into the
// kernel, and calling nothing: a call in its loop would have every vector register saved around
// it.
__attribute__((target("avx2,popcnt"), always_inline)) inline void count_buffered(
    const ClassIndex& index, const LaneTable& table, std::int32_t* __restrict buffer,
    std::int32_t count, std::uint32_t* __restrict hist) {
  constexpr int kLanes = 8;
  constexpr int kLag = 32;
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(buffer + count), _mm256_setzero_si256());
  const int* entries = table.entry.data();
  const __m128i slice_shift = _mm_cvtsi32_si128(24 - table.bits);
  const __m256i numerator = _mm256_set1_epi32(0xFFFFFF);
  const __m256i below_slice = _mm256_set1_epi32((1 << (24 - table.bits)) - 1);
  const __m256i offset = _mm256_set1_epi32(table.multi | (table.multi - 1));
  const __m256i multi_flag = _mm256_set1_epi32(table.multi);
  const __m256i class_low = _mm256_set1_epi32(table.class_low);
  const __m256i high_minus_low = _mm256_set1_epi32(table.class_high - table.class_low);
  const __m256i class_bits = _mm256_set1_epi32(table.class_mask);
  const __m256i stride = _mm256_set1_epi32(table.stride);
  alignas(32) std::int32_t classes[kLanes];
  alignas(32) std::uint32_t numerators[kLanes];
  for (std::int32_t i = 0; i < count; i += kLanes) {
    const __m256i v = _mm256_load_si256(reinterpret_cast<const __m256i*>(buffer + i));
    const __m256i m = _mm256_and_si256(v, numerator);
    // One entry per draw; class_high where the numerator is above the slice's threshold (a
    // draw above has all ones in `above`: its field moves from class_low to class_high).
    const __m256i entry = _mm256_i32gather_epi32(entries, _mm256_srl_epi32(m, slice_shift), 4);
    const __m256i above =
        _mm256_cmpgt_epi32(_mm256_and_si256(m, below_slice), _mm256_and_si256(entry, offset));
    const __m256i field = _mm256_add_epi32(class_low, _mm256_and_si256(above, high_minus_low));
    __m256i cls = _mm256_and_si256(_mm256_srlv_epi32(entry, field), class_bits);
    if (!_mm256_testz_si256(entry, multi_flag)) {  // rare: a slice with two thresholds or more
      const __m256i multi = _mm256_cmpeq_epi32(_mm256_and_si256(entry, multi_flag), multi_flag);
      const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(multi));
      _mm256_store_si256(reinterpret_cast<__m256i*>(numerators), m);
      _mm256_store_si256(reinterpret_cast<__m256i*>(classes), cls);
      for (int k = 0; k < kLanes; ++k) {
        if (((mask >> k) & 1) != 0) classes[k] = table_class(index, numerators[k] << 8);
      }
      cls = _mm256_load_si256(reinterpret_cast<const __m256i*>(classes));
    }
    const __m256i base = _mm256_mullo_epi32(_mm256_srli_epi32(v, 24), stride);
    _mm256_store_si256(reinterpret_cast<__m256i*>(buffer + i), _mm256_add_epi32(base, cls));
    if (i >= kLag) {
      for (int j = 0; j < kLanes; ++j) ++hist[buffer[i - kLag + j]];
    }
  }
  const std::int32_t rounded = (count + kLanes - 1) / kLanes * kLanes;
  for (std::int32_t i = std::max(rounded - kLag, 0); i < count; ++i) ++hist[buffer[i]];
}

// The kernel, with (kRagged) or without a number of draws per lane (sizes).
template <bool kRagged>
__attribute__((target("avx2,popcnt"))) void count_lanes(const ClassIndex& index,
                                                        const LaneTable& table, KissWords* lanes,
                                                        const std::int32_t* sizes, std::int32_t n,
                                                        std::int32_t q, std::uint32_t* counts) {
  constexpr int kLanes = 8;
  const std::int32_t width = index.t + 1;
  alignas(32) std::uint32_t z0[kLanes], w0[kLanes], a0[kLanes], b0[kLanes];
  for (int k = 0; k < kLanes; ++k) {
    z0[k] = lanes[k].z;
    w0[k] = lanes[k].w;
    a0[k] = lanes[k].a;
    b0[k] = lanes[k].b;
  }
  __m256i z = _mm256_load_si256(reinterpret_cast<const __m256i*>(z0));
  __m256i w = _mm256_load_si256(reinterpret_cast<const __m256i*>(w0));
  __m256i a = _mm256_load_si256(reinterpret_cast<const __m256i*>(a0));
  __m256i b = _mm256_load_si256(reinterpret_cast<const __m256i*>(b0));
  const __m256i cm = _mm256_set1_epi32(static_cast<int>(kCongruentialMultiplier));
  const __m256i ci = _mm256_set1_epi32(static_cast<int>(kCongruentialIncrement));
  const __m256i ma = _mm256_set1_epi32(static_cast<int>(kMwcMultiplierA));
  const __m256i mb = _mm256_set1_epi32(static_cast<int>(kMwcMultiplierB));
  const __m256i low = _mm256_set1_epi32(0xFFFF);
  const std::int32_t stride = table.stride;
  const __m256i lane_sizes = kRagged ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sizes))
                                     : _mm256_setzero_si256();
  // The classes most draws fall into are told by their numerators' ranges and counted in
  // registers, lane by lane; the other draws' numerators go, tagged with their lane, to a buffer
  // that is classed and counted at once from time to time.
  const __m256i above0 = _mm256_set1_epi32(table.held_above[0]);
  const __m256i above1 = _mm256_set1_epi32(table.held_above[1]);
  const __m256i above2 = _mm256_set1_epi32(table.held_above[2]);
  const __m256i upto0 = _mm256_set1_epi32(table.held_upto[0]);
  const __m256i upto1 = _mm256_set1_epi32(table.held_upto[1]);
  const __m256i upto2 = _mm256_set1_epi32(table.held_upto[2]);
  const __m256i lane_tag = _mm256_slli_epi32(_mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0), 24);
  constexpr std::int32_t kBuffer = 2048;
  alignas(32) std::int32_t buffer[kBuffer + 2 * kLanes];
  std::uint32_t hist[kLanes * kLaneMaxStride];
  alignas(32) std::int32_t held_counts[3][kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    clear_lane_counts<kLanes, false>(hist, width, stride);
    // Counts of the held classes, as minus the number of times a lane's comparison was all ones.
    __m256i count0 = _mm256_setzero_si256(), count1 = count0, count2 = count0;
    std::int32_t used = 0;
    for (std::int32_t s = 0; s < n; ++s) {
      z = _mm256_add_epi32(_mm256_mullo_epi32(z, cm), ci);
      w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 13));
      w = _mm256_xor_si256(w, _mm256_srli_epi32(w, 17));
      w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 5));
      a = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(a, low), ma),
                           _mm256_srli_epi32(a, 16));
      b = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(b, low), mb),
                           _mm256_srli_epi32(b, 16));
      const __m256i word =
          _mm256_add_epi32(_mm256_add_epi32(z, w), _mm256_add_epi32(_mm256_slli_epi32(a, 16), b));
      const __m256i m = _mm256_srli_epi32(word, 8);
      // A held class: above < m and not upto < m.
      __m256i is0 =
          _mm256_andnot_si256(_mm256_cmpgt_epi32(m, upto0), _mm256_cmpgt_epi32(m, above0));
      __m256i is1 =
          _mm256_andnot_si256(_mm256_cmpgt_epi32(m, upto1), _mm256_cmpgt_epi32(m, above1));
      __m256i is2 =
          _mm256_andnot_si256(_mm256_cmpgt_epi32(m, upto2), _mm256_cmpgt_epi32(m, above2));
      int live = 0xFF;
      if constexpr (kRagged) {
        // Draws past a lane's size are dropped: neither held nor buffered.
        const __m256i in_size = _mm256_cmpgt_epi32(lane_sizes, _mm256_set1_epi32(s));
        is0 = _mm256_and_si256(is0, in_size);
        is1 = _mm256_and_si256(is1, in_size);
        is2 = _mm256_and_si256(is2, in_size);
        live = _mm256_movemask_ps(_mm256_castsi256_ps(in_size));
      }
      count0 = _mm256_sub_epi32(count0, is0);
      count1 = _mm256_sub_epi32(count1, is1);
      count2 = _mm256_sub_epi32(count2, is2);
      const __m256i held = _mm256_or_si256(_mm256_or_si256(is0, is1), is2);
      const int others = ~_mm256_movemask_ps(_mm256_castsi256_ps(held)) & live;
      const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPack.lanes[others]));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(buffer + used),
                          _mm256_permutevar8x32_epi32(_mm256_or_si256(m, lane_tag), pack));
      used += __builtin_popcount(static_cast<unsigned>(others));
      if (used > kBuffer) {
        count_buffered(index, table, buffer, used, hist);
        used = 0;
      }
    }
    count_buffered(index, table, buffer, used, hist);
    _mm256_store_si256(reinterpret_cast<__m256i*>(held_counts[0]), count0);
    _mm256_store_si256(reinterpret_cast<__m256i*>(held_counts[1]), count1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(held_counts[2]), count2);
    write_lane_counts<kLanes>(hist, held_counts, table, q, rep, width, counts);
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(z0), z);
  _mm256_store_si256(reinterpret_cast<__m256i*>(w0), w);
  _mm256_store_si256(reinterpret_cast<__m256i*>(a0), a);
  _mm256_store_si256(reinterpret_cast<__m256i*>(b0), b);
  put_lane_words<kLanes>(lanes, z0, w0, a0, b0);
}

}  // namespace

void count_lanes_avx2(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                      const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                      std::uint32_t* counts) {
  (sizes != nullptr ? count_lanes<true> : count_lanes<false>)(index, table, lanes, sizes, n, q,
                                                              counts);
}

}  // namespace kelvaro

#endif
