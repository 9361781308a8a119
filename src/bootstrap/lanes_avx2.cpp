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
  // The table's slice of a word, the numerator's bits below it, and an entry's fields.
  const __m128i slice_shift = _mm_cvtsi32_si128(32 - table.bits);
  const __m256i below_slice = _mm256_set1_epi32((1 << (24 - table.bits)) - 1);
  const __m256i offset = _mm256_set1_epi32(table.multi | (table.multi - 1));
  const __m256i multi_flag = _mm256_set1_epi32(table.multi);
  const __m256i class_low = _mm256_set1_epi32(table.class_low);
  const __m256i high_minus_low = _mm256_set1_epi32(table.class_high - table.class_low);
  const __m256i class_bits = _mm256_set1_epi32(table.class_mask);
  // Lane k counts class j in hist[k * stride + j]: its own counters, so that the lanes'
  // increments never meet.
  const std::int32_t stride = table.stride;
  const __m256i lane_base =
      _mm256_mullo_epi32(_mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0), _mm256_set1_epi32(stride));
  // Draws past a lane's size go to its last counter, which no class uses.
  const __m256i lane_sizes = kRagged ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sizes))
                                     : _mm256_setzero_si256();
  const int* entries = table.entry.data();
  // The classes most draws fall into are counted in registers, lane by lane; the others go, with
  // their lane's base, to a buffer that is counted at once from time to time.
  const __m256i held0 = _mm256_set1_epi32(table.held[0]);
  const __m256i held1 = _mm256_set1_epi32(table.held[1]);
  const __m256i held2 = _mm256_set1_epi32(table.held[2]);
  const __m256i dropped = _mm256_set1_epi32(stride - 1);
  constexpr std::int32_t kBuffer = 2048;
  alignas(32) std::int32_t buffer[kBuffer + kLanes];
  std::uint32_t hist[kLanes * kLaneMaxStride];
  alignas(32) std::int32_t classes[kLanes];
  alignas(32) std::uint32_t words[kLanes];
  alignas(32) std::int32_t held_counts[3][kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    clear_lane_counts<kLanes, kRagged>(hist, width, stride);
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
      // One entry per lane; class_high where the numerator is above the slice's threshold (a
      // lane above has all ones in `above`: its field moves from bit 16 to bit 24).
      const __m256i entry = _mm256_i32gather_epi32(entries, _mm256_srl_epi32(word, slice_shift), 4);
      const __m256i m_low = _mm256_and_si256(_mm256_srli_epi32(word, 8), below_slice);
      const __m256i above = _mm256_cmpgt_epi32(m_low, _mm256_and_si256(entry, offset));
      const __m256i field = _mm256_add_epi32(class_low, _mm256_and_si256(above, high_minus_low));
      __m256i cls = _mm256_and_si256(_mm256_srlv_epi32(entry, field), class_bits);
      if constexpr (kRagged) {
        const __m256i live = _mm256_cmpgt_epi32(lane_sizes, _mm256_set1_epi32(s));
        cls = _mm256_blendv_epi8(dropped, cls, live);
      }
      if (!_mm256_testz_si256(entry, multi_flag)) {  // rare: a slice with two thresholds or more
        const __m256i multi = _mm256_cmpeq_epi32(_mm256_and_si256(entry, multi_flag), multi_flag);
        const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(multi));
        _mm256_store_si256(reinterpret_cast<__m256i*>(words), word);
        _mm256_store_si256(reinterpret_cast<__m256i*>(classes), cls);
        for (int k = 0; k < kLanes; ++k) {
          if (((mask >> k) & 1) != 0 && (!kRagged || s < sizes[k])) {
            classes[k] = table_class(index, words[k]);
          }
        }
        cls = _mm256_load_si256(reinterpret_cast<const __m256i*>(classes));
      }
      const __m256i is0 = _mm256_cmpeq_epi32(cls, held0);
      const __m256i is1 = _mm256_cmpeq_epi32(cls, held1);
      const __m256i is2 = _mm256_cmpeq_epi32(cls, held2);
      count0 = _mm256_sub_epi32(count0, is0);
      count1 = _mm256_sub_epi32(count1, is1);
      count2 = _mm256_sub_epi32(count2, is2);
      const __m256i held = _mm256_or_si256(_mm256_or_si256(is0, is1), is2);
      const int others = ~_mm256_movemask_ps(_mm256_castsi256_ps(held)) & 0xFF;
      const __m256i pack = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPack.lanes[others]));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(buffer + used),
                          _mm256_permutevar8x32_epi32(_mm256_add_epi32(cls, lane_base), pack));
      used += __builtin_popcount(static_cast<unsigned>(others));
      if (used > kBuffer) {
        for (std::int32_t i = 0; i < used; ++i) ++hist[buffer[i]];
        used = 0;
      }
    }
    for (std::int32_t i = 0; i < used; ++i) ++hist[buffer[i]];
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
