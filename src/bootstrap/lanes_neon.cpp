// The 4-lane kernel: NEON, which every aarch64 processor has (count_replicates calls it only in
// an aarch64 build). The generators step side by side in vector registers; NEON has no gather,
// so each lane's table entry is loaded on its own, and the class is found and counted lane by
// lane, the commonest classes in registers.
#include "bootstrap/lane_counts.h"
#include "bootstrap/lanes.h"

#if defined(__aarch64__) && defined(__ARM_NEON)

#include <arm_neon.h>

#include <algorithm>

namespace kelvaro {
namespace {

// The kernel, with (kRagged) or without a number of draws per lane (sizes).
template <bool kRagged>
void count_lanes(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                 const std::int32_t* sizes, std::int32_t n, std::int32_t q, std::uint32_t* counts) {
  constexpr int kLanes = 4;
  const std::int32_t width = index.t + 1;
  std::uint32_t z0[kLanes], w0[kLanes], a0[kLanes], b0[kLanes];
  for (int k = 0; k < kLanes; ++k) {
    z0[k] = lanes[k].z;
    w0[k] = lanes[k].w;
    a0[k] = lanes[k].a;
    b0[k] = lanes[k].b;
  }
  uint32x4_t z = vld1q_u32(z0), w = vld1q_u32(w0), a = vld1q_u32(a0), b = vld1q_u32(b0);
  const uint32x4_t cm = vdupq_n_u32(kCongruentialMultiplier);
  const uint32x4_t ci = vdupq_n_u32(kCongruentialIncrement);
  const uint32x4_t ma = vdupq_n_u32(kMwcMultiplierA);
  const uint32x4_t mb = vdupq_n_u32(kMwcMultiplierB);
  const uint32x4_t low = vdupq_n_u32(0xFFFF);
  const int slice_shift = 32 - table.bits;
  const std::uint32_t below_slice = (1u << (24 - table.bits)) - 1;
  const std::int32_t* entries = table.entry.data();
  // An entry's fields (lanes.h), and each lane's counters: class j of lane k in
  // hist[k * stride + j], the last counter taking the draws a ragged replicate drops.
  const auto offset = static_cast<std::uint32_t>(table.multi | (table.multi - 1));
  const auto multi_flag = static_cast<std::uint32_t>(table.multi);
  const int class_low = table.class_low;
  const int class_high = table.class_high;
  const auto class_mask = static_cast<std::uint32_t>(table.class_mask);
  const std::int32_t stride = table.stride;
  // The commonest classes are counted in registers (a lane whose class matches has all ones,
  // so subtracting the comparison adds one); the others in the lane's own counters.
  const uint32x4_t held0 = vdupq_n_u32(static_cast<std::uint32_t>(table.held[0]));
  const uint32x4_t held1 = vdupq_n_u32(static_cast<std::uint32_t>(table.held[1]));
  const uint32x4_t held2 = vdupq_n_u32(static_cast<std::uint32_t>(table.held[2]));
  std::uint32_t hist[kLanes * kLaneMaxStride];
  std::uint32_t words[kLanes];
  std::uint32_t classes[kLanes];
  std::uint32_t held_counts[3][kLanes];
  for (std::int32_t rep = 0; rep < q; ++rep) {
    clear_lane_counts<kLanes, kRagged>(hist, width, stride);
    uint32x4_t count0 = vdupq_n_u32(0), count1 = count0, count2 = count0;
    for (std::int32_t s = 0; s < n; ++s) {
      z = vmlaq_u32(ci, z, cm);
      w = veorq_u32(w, vshlq_n_u32(w, 13));
      w = veorq_u32(w, vshrq_n_u32(w, 17));
      w = veorq_u32(w, vshlq_n_u32(w, 5));
      a = vmlaq_u32(vshrq_n_u32(a, 16), vandq_u32(a, low), ma);
      b = vmlaq_u32(vshrq_n_u32(b, 16), vandq_u32(b, low), mb);
      const uint32x4_t word = vaddq_u32(vaddq_u32(z, w), vaddq_u32(vshlq_n_u32(a, 16), b));
      vst1q_u32(words, word);
      for (int k = 0; k < kLanes; ++k) {
        const std::uint32_t x = words[k];
        const auto entry = static_cast<std::uint32_t>(entries[x >> slice_shift]);
        const std::uint32_t m_low = (x >> 8) & below_slice;
        std::uint32_t cls =
            (entry >> (m_low > (entry & offset) ? class_high : class_low)) & class_mask;
        if ((entry & multi_flag) != 0) {  // rare
          cls = static_cast<std::uint32_t>(table_class(index, x));
        }
        if constexpr (kRagged) {
          if (s >= sizes[k]) cls = static_cast<std::uint32_t>(stride - 1);
        }
        classes[k] = cls;
      }
      const uint32x4_t cls = vld1q_u32(classes);
      const uint32x4_t is0 = vceqq_u32(cls, held0);
      const uint32x4_t is1 = vceqq_u32(cls, held1);
      const uint32x4_t is2 = vceqq_u32(cls, held2);
      count0 = vsubq_u32(count0, is0);
      count1 = vsubq_u32(count1, is1);
      count2 = vsubq_u32(count2, is2);
      // Held classes go to slot 0, which no class uses (the row starts at class 1).
      const uint32x4_t others = vbicq_u32(cls, vorrq_u32(vorrq_u32(is0, is1), is2));
      vst1q_u32(classes, others);
      for (int k = 0; k < kLanes; ++k) ++hist[k * stride + classes[k]];
    }
    vst1q_u32(held_counts[0], count0);
    vst1q_u32(held_counts[1], count1);
    vst1q_u32(held_counts[2], count2);
    write_lane_counts<kLanes>(hist, held_counts, table, q, rep, width, counts);
  }
  vst1q_u32(z0, z);
  vst1q_u32(w0, w);
  vst1q_u32(a0, a);
  vst1q_u32(b0, b);
  put_lane_words<kLanes>(lanes, z0, w0, a0, b0);
}

}  // namespace

void count_lanes_neon(const ClassIndex& index, const LaneTable& table, KissWords* lanes,
                      const std::int32_t* sizes, std::int32_t n, std::int32_t q,
                      std::uint32_t* counts) {
  (sizes != nullptr ? count_lanes<true> : count_lanes<false>)(index, table, lanes, sizes, n, q,
                                                              counts);
}

}  // namespace kelvaro

#endif
