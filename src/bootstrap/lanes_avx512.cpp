// The 16-lane kernel: AVX-512F, compiled for it by the function's target attribute alone (the rest
// of the build assumes no vector extension; count_replicates calls it only on a processor that has
// AVX-512F).
#include "bootstrap/lane_counts.h"
#include "bootstrap/lanes.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <algorithm>

namespace kelvaro {
namespace {

// Shifts of every lane, and the gather of one word per lane. The masked forms with every lane
// selected: GCC 12's plain intrinsics start from an undefined vector that it then reports as
// maybe used uninitialized (GCC bug 105593); these compile to the same instructions without it.
constexpr __mmask16 kAllLanes = 0xFFFF;

template <unsigned N>
__attribute__((target("avx512f"))) inline __m512i shift_left(__m512i v) {
  return _mm512_maskz_slli_epi32(kAllLanes, v, N);
}

template <unsigned N>
__attribute__((target("avx512f"))) inline __m512i shift_right(__m512i v) {
  return _mm512_maskz_srli_epi32(kAllLanes, v, N);
}

__attribute__((target("avx512f"))) inline __m512i shift_right(__m512i v, __m512i counts) {
  return _mm512_maskz_srlv_epi32(kAllLanes, v, counts);
}

__attribute__((target("avx512f"))) inline __m512i gather(const std::int32_t* base, __m512i index) {
  return _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), kAllLanes, index, base, 4);
}

// Classes the buffered draws of count_lanes and counts them: each entry is a draw's numerator
// m = word >> 8 with its lane in bits 24-27. Sixteen at a time, the table (one gather) gives their
// classes and the entries become their counters' places, hist[lane * stride + class]; the counting
// lags two such steps behind, so that the processor increments while it gathers. The 16 entries
// after `count` are zeroed (the buffer has room), classed and not counted. Inlined into the
// kernel, and calling nothing: a call in its loop would have every vector register saved around
// it.
__attribute__((target("avx512f,popcnt"), always_inline)) inline void count_buffered(
    const ClassIndex& index, const LaneTable& table, std::int32_t* __restrict buffer,
    std::int32_t count, std::uint32_t* __restrict hist) {
  constexpr int kLanes = 16;
  constexpr int kLag = 2 * kLanes;
  _mm512_storeu_si512(buffer + count, _mm512_setzero_si512());
  const std::int32_t* entries = table.entry.data();
  const int slice_shift = 24 - table.bits;
  const __m512i numerator = _mm512_set1_epi32(0xFFFFFF);
  const __m512i below_slice = _mm512_set1_epi32((1 << (24 - table.bits)) - 1);
  const __m512i offset = _mm512_set1_epi32(table.multi | (table.multi - 1));
  const __m512i multi_flag = _mm512_set1_epi32(table.multi);
  const __m512i class_low = _mm512_set1_epi32(table.class_low);
  const __m512i class_high = _mm512_set1_epi32(table.class_high);
  const __m512i class_bits = _mm512_set1_epi32(table.class_mask);
  const __m512i stride = _mm512_set1_epi32(table.stride);
  alignas(64) std::int32_t classes[kLanes];
  alignas(64) std::uint32_t numerators[kLanes];
  for (std::int32_t i = 0; i < count; i += kLanes) {
    const __m512i v = _mm512_load_si512(buffer + i);
    const __m512i m = _mm512_and_si512(v, numerator);
    // One entry per draw; class_high where the numerator is above the slice's threshold.
    const __m512i entry = gather(entries, _mm512_maskz_srli_epi32(kAllLanes, m, slice_shift));
    const __mmask16 above =
        _mm512_cmpgt_epi32_mask(_mm512_and_si512(m, below_slice), _mm512_and_si512(entry, offset));
    const __m512i field = _mm512_mask_blend_epi32(above, class_low, class_high);
    __m512i cls = _mm512_and_si512(shift_right(entry, field), class_bits);
    const __mmask16 multi = _mm512_test_epi32_mask(entry, multi_flag);
    if (multi != 0) {  // rare: a slice with two thresholds or more
      _mm512_store_si512(numerators, m);
      _mm512_store_si512(classes, cls);
      for (int k = 0; k < kLanes; ++k) {
        if (((multi >> k) & 1) != 0) classes[k] = table_class(index, numerators[k] << 8);
      }
      cls = _mm512_load_si512(classes);
    }
    const __m512i base = _mm512_mullo_epi32(shift_right<24>(v), stride);
    _mm512_store_si512(buffer + i, _mm512_add_epi32(base, cls));
    if (i >= kLag) {
      for (int j = 0; j < kLanes; ++j) ++hist[buffer[i - kLag + j]];
    }
  }
  const std::int32_t rounded = (count + kLanes - 1) / kLanes * kLanes;
  for (std::int32_t i = std::max(rounded - kLag, 0); i < count; ++i) ++hist[buffer[i]];
}

// The kernel, with (kRagged) or without a number of draws per lane (sizes).
template <bool kRagged>
__attribute__((target("avx512f,popcnt"))) void count_lanes(const ClassIndex& index,
                                                           const LaneTable& table, KissWords* lanes,
                                                           const std::int32_t* sizes,
                                                           std::int32_t n, std::int32_t q,
                                                           std::uint32_t* counts) {
  constexpr int kLanes = 16;
  const std::int32_t width = index.t + 1;
  alignas(64) std::uint32_t z0[kLanes], w0[kLanes], a0[kLanes], b0[kLanes];
  for (int k = 0; k < kLanes; ++k) {
    z0[k] = lanes[k].z;
    w0[k] = lanes[k].w;
    a0[k] = lanes[k].a;
    b0[k] = lanes[k].b;
  }
  __m512i z = _mm512_load_si512(z0), w = _mm512_load_si512(w0);
  __m512i a = _mm512_load_si512(a0), b = _mm512_load_si512(b0);
  const __m512i cm = _mm512_set1_epi32(static_cast<int>(kCongruentialMultiplier));
  const __m512i ci = _mm512_set1_epi32(static_cast<int>(kCongruentialIncrement));
  const __m512i ma = _mm512_set1_epi32(static_cast<int>(kMwcMultiplierA));
  const __m512i mb = _mm512_set1_epi32(static_cast<int>(kMwcMultiplierB));
  const __m512i low = _mm512_set1_epi32(0xFFFF);
  const std::int32_t stride = table.stride;
  const __m512i lane_sizes = kRagged ? _mm512_loadu_si512(sizes) : _mm512_setzero_si512();
  // The classes most draws fall into are told by their numerators' ranges and counted in
  // registers, lane by lane; the other draws' numerators go, tagged with their lane, to a buffer
  // that is classed and counted at once from time to time.
  const __m512i above0 = _mm512_set1_epi32(table.held_above[0]);
  const __m512i above1 = _mm512_set1_epi32(table.held_above[1]);
  const __m512i above2 = _mm512_set1_epi32(table.held_above[2]);
  const __m512i upto0 = _mm512_set1_epi32(table.held_upto[0]);
  const __m512i upto1 = _mm512_set1_epi32(table.held_upto[1]);
  const __m512i upto2 = _mm512_set1_epi32(table.held_upto[2]);
  const __m512i lane_tag =
      shift_left<24>(_mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
  const __m512i one = _mm512_set1_epi32(1);
  constexpr std::int32_t kBuffer = 2048;
  alignas(64) std::int32_t buffer[kBuffer + 2 * kLanes];
  std::uint32_t hist[kLanes * kLaneMaxStride];
  alignas(64) std::uint32_t held_counts[3][kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    clear_lane_counts<kLanes, false>(hist, width, stride);
    __m512i count0 = _mm512_setzero_si512(), count1 = count0, count2 = count0;
    std::int32_t used = 0;
    for (std::int32_t s = 0; s < n; ++s) {
      z = _mm512_add_epi32(_mm512_mullo_epi32(z, cm), ci);
      w = _mm512_xor_si512(w, shift_left<13>(w));
      w = _mm512_xor_si512(w, shift_right<17>(w));
      w = _mm512_xor_si512(w, shift_left<5>(w));
      a = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(a, low), ma), shift_right<16>(a));
      b = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(b, low), mb), shift_right<16>(b));
      const __m512i word =
          _mm512_add_epi32(_mm512_add_epi32(z, w), _mm512_add_epi32(shift_left<16>(a), b));
      const __m512i m = shift_right<8>(word);
      __mmask16 is0 = _mm512_mask_cmple_epi32_mask(_mm512_cmpgt_epi32_mask(m, above0), m, upto0);
      __mmask16 is1 = _mm512_mask_cmple_epi32_mask(_mm512_cmpgt_epi32_mask(m, above1), m, upto1);
      __mmask16 is2 = _mm512_mask_cmple_epi32_mask(_mm512_cmpgt_epi32_mask(m, above2), m, upto2);
      __mmask16 live = kAllLanes;
      if constexpr (kRagged) {
        // Draws past a lane's size are dropped: neither held nor buffered.
        live = _mm512_cmpgt_epi32_mask(lane_sizes, _mm512_set1_epi32(s));
        is0 &= live;
        is1 &= live;
        is2 &= live;
      }
      count0 = _mm512_mask_add_epi32(count0, is0, count0, one);
      count1 = _mm512_mask_add_epi32(count1, is1, count1, one);
      count2 = _mm512_mask_add_epi32(count2, is2, count2, one);
      const auto others = static_cast<__mmask16>(live & ~(is0 | is1 | is2));
      _mm512_storeu_si512(buffer + used,
                          _mm512_maskz_compress_epi32(others, _mm512_or_si512(m, lane_tag)));
      used += __builtin_popcount(others);
      if (used > kBuffer) {
        count_buffered(index, table, buffer, used, hist);
        used = 0;
      }
    }
    count_buffered(index, table, buffer, used, hist);
    _mm512_store_si512(held_counts[0], count0);
    _mm512_store_si512(held_counts[1], count1);
    _mm512_store_si512(held_counts[2], count2);
    write_lane_counts<kLanes>(hist, held_counts, table, q, rep, width, counts);
  }
  _mm512_store_si512(z0, z);
  _mm512_store_si512(w0, w);
  _mm512_store_si512(a0, a);
  _mm512_store_si512(b0, b);
  put_lane_words<kLanes>(lanes, z0, w0, a0, b0);
}

}  // namespace

void count_lanes_avx512(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                        const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                        std::uint32_t* counts) {
  (sizes != nullptr ? count_lanes<true> : count_lanes<false>)(index, table, lanes, sizes, n, q,
                                                              counts);
}

}  // namespace kelvaro

#endif
