// The 8-lane kernel: AVX2, compiled for it by the function's target attribute alone (the rest of
// the build assumes no vector extension; count_replicates calls it only on a processor that has
// AVX2).
#include "bootstrap/lanes.h"

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <algorithm>

namespace kelvaro {

__attribute__((target("avx2"))) void count_lanes_avx2(
    const ClassIndex& index, const std::int32_t* starts32, KissWords* lanes, std::int32_t n,
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
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i flag = _mm256_set1_epi32(kLaneScan);
  const __m256i slice_class = _mm256_set1_epi32(kLaneScan - 1);
  // Lane k counts class j in hist[k * 256 + j] (j <= t + 1 <= 255).
  std::uint32_t hist[kLanes * 256];
  alignas(32) std::int32_t classes[kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    for (int k = 0; k < kLanes; ++k) std::fill(hist + k * 256, hist + k * 256 + width + 1, 0u);
    for (std::int32_t s = 0; s < n; ++s) {
      z = _mm256_add_epi32(_mm256_mullo_epi32(z, cm), ci);
      w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 13));
      w = _mm256_xor_si256(w, _mm256_srli_epi32(w, 17));
      w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 5));
      a = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(a, low), ma), _mm256_srli_epi32(a, 16));
      b = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(b, low), mb), _mm256_srli_epi32(b, 16));
      const __m256i word =
          _mm256_add_epi32(_mm256_add_epi32(z, w), _mm256_add_epi32(_mm256_slli_epi32(a, 16), b));
      const __m256i m = _mm256_srli_epi32(word, 8);
      __m256i j = _mm256_i32gather_epi32(starts32, _mm256_srli_epi32(word, 32 - kClassIndexBits), 4);
      // The scan of table_class: up while m > T(j), on every lane at once (a lane that is above
      // its threshold has all ones in `above`, -1, so subtracting it adds one), when a lane's
      // slice holds a threshold (else every lane already has its class).
      const bool scan = !_mm256_testz_si256(j, flag);
      j = _mm256_and_si256(j, slice_class);
      for (; scan;) {
        const __m256i bound = _mm256_i32gather_epi32(index.threshold, _mm256_sub_epi32(j, one), 4);
        const __m256i above = _mm256_cmpgt_epi32(m, bound);
        if (_mm256_testz_si256(above, above)) break;
        j = _mm256_sub_epi32(j, above);
      }
      _mm256_store_si256(reinterpret_cast<__m256i*>(classes), j);
      for (int k = 0; k < kLanes; ++k) ++hist[k * 256 + classes[k]];
    }
    for (int k = 0; k < kLanes; ++k) {
      std::uint32_t* row = counts + (static_cast<std::ptrdiff_t>(k) * q + rep) * width;
      std::copy(hist + k * 256 + 1, hist + k * 256 + 1 + width, row);
    }
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(z0), z);
  _mm256_store_si256(reinterpret_cast<__m256i*>(w0), w);
  _mm256_store_si256(reinterpret_cast<__m256i*>(a0), a);
  _mm256_store_si256(reinterpret_cast<__m256i*>(b0), b);
  for (int k = 0; k < kLanes; ++k) lanes[k] = KissWords{z0[k], w0[k], a0[k], b0[k]};
}

}  // namespace kelvaro

#endif
