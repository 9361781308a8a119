#include "bootstrap/lanes.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "random/jump_ahead.h"

namespace kelvaro {

namespace {

// The plain loop: replicate after replicate, one draw after another.
void count_scalar(const ClassIndex& index, KissWords& words, std::int32_t n, std::int32_t count,
                  std::uint32_t* counts) {
  const std::int32_t width = index.t + 1;
  KissWords w = words;
  for (std::int32_t r = 0; r < count; ++r) {
    std::uint32_t* row = counts + static_cast<std::ptrdiff_t>(r) * width;
    std::fill(row, row + width, 0u);
    for (std::int32_t s = 0; s < n; ++s) ++row[table_class(index, w.next()) - 1];
  }
  words = w;
}

// The layouts of an entry (lanes.h): where the multi flag and the two class fields lie, how wide
// a class field is, and the counters of a lane.
void set_layout(LaneTable& table, bool wide) {
  table.multi = wide ? 1 << 10 : 1 << 13;
  table.class_low = wide ? 11 : 16;
  table.class_high = wide ? 21 : 24;
  table.class_mask = wide ? 0x3FF : 0xFF;
  table.stride = wide ? kLaneMaxStride : 256;
}

// Fills table.entry for 2^bits slices in the table's layout; returns the number of slices that
// hold two or more distinct thresholds. The runs of slices between thresholds are filled at once.
std::int32_t fill_lane_table(const ClassIndex& index, int bits, LaneTable& table) {
  const std::int32_t t = index.t;
  const std::int32_t* threshold = index.threshold.data();
  const std::int32_t slices = std::int32_t{1} << bits;
  const std::int32_t width = std::int32_t{1} << (24 - bits);
  const int low_field = table.class_low;
  const int high_field = table.class_high;
  table.bits = bits;
  table.entry.resize(static_cast<std::size_t>(slices));
  std::int32_t* entry = table.entry.data();
  std::int32_t multi = 0;
  std::int32_t below = 0;  // thresholds below the lowest numerator of slice s
  for (std::int32_t s = 0; s < slices;) {
    const std::int32_t low = s * width;
    while (below < t && threshold[below] < low) ++below;
    const std::int32_t class_low = below + 1;
    // Up to the slice of the next threshold, every slice has class_low throughout.
    const std::int32_t next =
        below < t ? std::min(threshold[below] >> (24 - bits), slices) : slices;
    std::fill(entry + s, entry + next,
              (width - 1) | (class_low << low_field) | (class_low << high_field));
    if (next == slices) break;
    s = next;
    const std::int32_t first = threshold[below];
    const std::int32_t slice_low = s * width;
    // m above the slice's first threshold passes it and every threshold equal to it.
    std::int32_t passed = below;
    while (passed < t && threshold[passed] == first) ++passed;
    if (passed < t && threshold[passed] < slice_low + width) {
      entry[s] = table.multi | (class_low << low_field);
      ++multi;
    } else {
      entry[s] = (first - slice_low) | (class_low << low_field) | ((passed + 1) << high_field);
    }
    ++s;
  }
  return multi;
}

// The kernel of a path, or null for the plain loop (the scalar path, or a build without it).
using LaneKernel = void (*)(const ClassIndex&, const LaneTable&, KissWords*, const std::int32_t*,
                            std::int32_t, std::int32_t, std::uint32_t*);
LaneKernel lane_kernel(Isa isa) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (isa == Isa::avx512) return count_lanes_avx512;
  if (isa == Isa::avx2) return count_lanes_avx2;
#elif defined(__aarch64__) && defined(__ARM_NEON)
  if (isa == Isa::neon) return count_lanes_neon;
#endif
  (void)isa;
  return nullptr;
}

}  // namespace

void build_lane_table(const ClassIndex& index, LaneTable& table) {
  assert(index.non_decreasing && index.t + 1 <= kLaneMaxClasses);
  // Class j takes the numerators m with T(j - 1) < m <= T(j) (T(0) = -1, T(t + 1) = 2^24 - 1).
  std::vector<std::pair<std::int64_t, std::int32_t>> share;
  std::int64_t previous = -1;
  for (std::int32_t j = 1; j <= index.t + 1; ++j) {
    const std::int64_t top = j <= index.t
                                 ? std::min<std::int64_t>(index.threshold[j - 1], (1 << 24) - 1)
                                 : (1 << 24) - 1;
    share.emplace_back(std::max<std::int64_t>(top - previous, 0), j);
    previous = std::max(previous, top);
  }
  std::stable_sort(share.begin(), share.end(),
                   [](const auto& x, const auto& y) { return x.first > y.first; });
  for (std::size_t h = 0; h < 3; ++h) {
    table.held[h] = 0;  // none: an empty range
    table.held_above[h] = 0;
    table.held_upto[h] = -1;
    if (h >= share.size()) continue;
    const std::int32_t j = share[h].second;
    table.held[h] = j;
    table.held_above[h] = j == 1 ? -1 : index.threshold[j - 2];
    table.held_upto[h] = j <= index.t ? index.threshold[j - 1] : INT32_MAX;
  }
  // Distinct thresholds at least a slice apart never share one; closer ones (a community of
  // more than 4096 species) may, and then finer slices keep such slices rare. The wide layout's
  // offsets have room for slices of 14 bits or more.
  const bool wide = index.t + 1 > 254;
  set_layout(table, wide);
  for (int bits = wide ? 14 : kClassIndexBits; bits <= 16; bits += 2) {
    const std::int32_t multi = fill_lane_table(index, bits, table);
    if (multi == 0 || static_cast<std::int64_t>(multi) * 256 <= (std::int64_t{1} << bits)) return;
    if (bits == 16) return;
  }
}

void count_replicates(Isa isa, const ClassIndex& index, KissWords& words, std::int32_t n,
                      std::int32_t count, std::uint32_t* counts) {
  LaneTable table;
  if (isa_lanes(isa) > 1) build_lane_table(index, table);
  count_replicates(isa, index, table, words, n, count, counts);
}

void count_replicates(Isa isa, const ClassIndex& index, const LaneTable& table, KissWords& words,
                      std::int32_t n, std::int32_t count, std::uint32_t* counts) {
  assert(index.non_decreasing && n >= 0 && count >= 0);
  if (!isa_supported(isa)) isa = best_isa();
  const int lanes = isa_lanes(isa);
  const LaneKernel kernel = lane_kernel(isa);
  if (kernel == nullptr || n == 0 || table.entry.empty()) {
    count_scalar(index, words, n, count, counts);
    return;
  }
  const std::int32_t width = index.t + 1;
  const auto per_replicate = static_cast<std::uint64_t>(n);
  std::int32_t done = 0;
  const std::int32_t q = count / lanes;  // replicates per lane
  if (q > 0) {
    // Lane k starts at replicate k * q: k * q * n steps on.
    KissWords starts[16];
    for (int k = 0; k < lanes; ++k) {
      starts[k] = jump_ahead(
          words, per_replicate * static_cast<std::uint64_t>(q) * static_cast<std::uint64_t>(k));
    }
    kernel(index, table, starts, nullptr, n, q, counts);
    // The last lane ends where the replicates after the slices start.
    words = starts[lanes - 1];
    done = q * lanes;
  }
  const std::int32_t rest = count - done;
  if (rest * 4 >= lanes) {
    // Enough left over for one more pass of the lanes, a replicate each; the lanes beyond the
    // last replicate draw words nobody uses, into rows nobody reads.
    KissWords starts[16];
    for (int k = 0; k < lanes; ++k) {
      starts[k] = jump_ahead(words, per_replicate * static_cast<std::uint64_t>(std::min(k, rest)));
    }
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(lanes) *
                                    static_cast<std::size_t>(width));
    kernel(index, table, starts, nullptr, n, 1, rows.data());
    std::copy(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(rest) * width,
              counts + static_cast<std::ptrdiff_t>(done) * width);
    words = starts[rest - 1];
    return;
  }
  count_scalar(index, words, n, rest, counts + static_cast<std::ptrdiff_t>(done) * width);
}

void count_replicates_from(Isa isa, const ClassIndex& index, const LaneTable& table,
                           const KissWords* starts, const std::int32_t* sizes, std::int32_t count,
                           std::uint32_t* counts) {
  assert(index.non_decreasing && count >= 0 && index.t + 1 <= kLaneMaxClasses);
  if (!isa_supported(isa)) isa = best_isa();
  const std::int32_t width = index.t + 1;
  const int lanes = isa_lanes(isa);
  const LaneKernel kernel = lane_kernel(isa);
  std::int32_t done = 0;
  if (kernel != nullptr && !table.entry.empty()) {
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(lanes) *
                                    static_cast<std::size_t>(width));
    // A round of the lanes per `lanes` replicates, each lane drawing as many words as the
    // longest replicate of the round; rounds with too few replicates stay plain.
    while ((count - done) * 4 >= lanes) {
      const std::int32_t round = std::min<std::int32_t>(lanes, count - done);
      KissWords words[16];
      std::int32_t lane_sizes[16];
      std::int32_t longest = 0;
      for (int k = 0; k < lanes; ++k) {
        words[k] = k < round ? starts[done + k] : starts[done];
        lane_sizes[k] = k < round ? std::max(sizes[done + k], 0) : 0;
        longest = std::max(longest, lane_sizes[k]);
      }
      kernel(index, table, words, lane_sizes, longest, 1, rows.data());
      std::copy(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(round) * width,
                counts + static_cast<std::ptrdiff_t>(done) * width);
      done += round;
    }
  }
  for (; done < count; ++done) {
    KissWords words = starts[done];
    count_scalar(index, words, std::max(sizes[done], 0), 1,
                 counts + static_cast<std::ptrdiff_t>(done) * width);
  }
}

}  // namespace kelvaro
