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
  // The table's slice of a word, the numerator's bits below it, and an entry's fields.
  const __m512i slice_shift = _mm512_set1_epi32(32 - table.bits);
  const __m512i below_slice = _mm512_set1_epi32((1 << (24 - table.bits)) - 1);
  const __m512i offset = _mm512_set1_epi32(table.multi | (table.multi - 1));
  const __m512i multi_flag = _mm512_set1_epi32(table.multi);
  const __m512i class_low = _mm512_set1_epi32(table.class_low);
  const __m512i class_high = _mm512_set1_epi32(table.class_high);
  const __m512i class_bits = _mm512_set1_epi32(table.class_mask);
  // Lane k counts class j in hist[k * stride + j]: its own counters, so that the lanes'
  // increments never meet.
  const std::int32_t stride = table.stride;
  const __m512i lane_base =
      _mm512_mullo_epi32(_mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
                         _mm512_set1_epi32(stride));
  // Draws past a lane's size go to its last counter, which no class uses.
  const __m512i lane_sizes = kRagged ? _mm512_loadu_si512(sizes) : _mm512_setzero_si512();
  const std::int32_t* entries = table.entry.data();
  // The classes most draws fall into are counted in registers, lane by lane; the others go, with
  // their lane's base, to a buffer that is counted at once from time to time.
  const __m512i held0 = _mm512_set1_epi32(table.held[0]);
  const __m512i held1 = _mm512_set1_epi32(table.held[1]);
  const __m512i held2 = _mm512_set1_epi32(table.held[2]);
  const __m512i one = _mm512_set1_epi32(1);
  const __m512i dropped = _mm512_set1_epi32(stride - 1);
  constexpr std::int32_t kBuffer = 2048;
  alignas(64) std::int32_t buffer[kBuffer + kLanes];
  std::uint32_t hist[kLanes * kLaneMaxStride];
  alignas(64) std::int32_t classes[kLanes];
  alignas(64) std::uint32_t words[kLanes];
  alignas(64) std::uint32_t held_counts[3][kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    clear_lane_counts<kLanes, kRagged>(hist, width, stride);
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
      // One entry per lane; class_high where the numerator is above the slice's threshold.
      const __m512i entry = gather(entries, shift_right(word, slice_shift));
      const __m512i m_low = _mm512_and_si512(shift_right<8>(word), below_slice);
      const __mmask16 above = _mm512_cmpgt_epi32_mask(m_low, _mm512_and_si512(entry, offset));
      const __m512i field = _mm512_mask_blend_epi32(above, class_low, class_high);
      __m512i cls = _mm512_and_si512(shift_right(entry, field), class_bits);
      if constexpr (kRagged) {
        const __mmask16 live = _mm512_cmpgt_epi32_mask(lane_sizes, _mm512_set1_epi32(s));
        cls = _mm512_mask_blend_epi32(live, dropped, cls);
      }
      const __mmask16 multi = _mm512_test_epi32_mask(entry, multi_flag);
      if (multi != 0) {  // rare: a slice with two thresholds or more
        _mm512_store_si512(words, word);
        _mm512_store_si512(classes, cls);
        for (int k = 0; k < kLanes; ++k) {
          if (((multi >> k) & 1) != 0 && (!kRagged || s < sizes[k])) {
            classes[k] = table_class(index, words[k]);
          }
        }
        cls = _mm512_load_si512(classes);
      }
      const __mmask16 is0 = _mm512_cmpeq_epi32_mask(cls, held0);
      const __mmask16 is1 = _mm512_cmpeq_epi32_mask(cls, held1);
      const __mmask16 is2 = _mm512_cmpeq_epi32_mask(cls, held2);
      count0 = _mm512_mask_add_epi32(count0, is0, count0, one);
      count1 = _mm512_mask_add_epi32(count1, is1, count1, one);
      count2 = _mm512_mask_add_epi32(count2, is2, count2, one);
      const auto others = static_cast<__mmask16>(~(is0 | is1 | is2));
      _mm512_storeu_si512(buffer + used,
                          _mm512_maskz_compress_epi32(others, _mm512_add_epi32(cls, lane_base)));
      used += __builtin_popcount(others);
      if (used > kBuffer) {
        for (std::int32_t i = 0; i < used; ++i) ++hist[buffer[i]];
        used = 0;
      }
    }
    for (std::int32_t i = 0; i < used; ++i) ++hist[buffer[i]];
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
