#include "bootstrap/lanes.h"

#include <algorithm>
#include <cassert>
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

}  // namespace

void count_replicates(Isa isa, const ClassIndex& index, KissWords& words, std::int32_t n,
                      std::int32_t count, std::uint32_t* counts) {
  assert(index.non_decreasing && n >= 0 && count >= 0);
  if (!isa_supported(isa)) isa = best_isa();
  const int lanes = isa_lanes(isa);
  const std::int32_t q = count / lanes;  // replicates per lane; the rest after them, plainly
  if (lanes == 1 || q == 0 || n == 0) {
    count_scalar(index, words, n, count, counts);
    return;
  }
#if defined(__x86_64__) && defined(__GNUC__)
  // Lane k starts at replicate k * q: k * q * n steps on.
  const auto slice = static_cast<std::uint64_t>(q) * static_cast<std::uint64_t>(n);
  KissWords starts[16];
  for (int k = 0; k < lanes; ++k) starts[k] = jump_ahead(words, slice * static_cast<std::uint64_t>(k));
  std::int32_t starts32[kClassIndexSlices];
  for (std::int32_t s = 0; s < kClassIndexSlices; ++s) starts32[s] = index.start[s];
  // A slice that holds no threshold T(j) gives every word in it the slice's class: the scan
  // would not move. Only the slices that hold one are marked for it.
  for (std::int32_t k = 0; k < index.t; ++k) {
    const std::int32_t threshold = index.threshold[k];
    if (threshold >= 0 && threshold < (1 << 24)) {
      starts32[threshold >> (24 - kClassIndexBits)] |= kLaneScan;
    }
  }
  if (isa == Isa::avx512) {
    count_lanes_avx512(index, starts32, starts, n, q, counts);
  } else {
    count_lanes_avx2(index, starts32, starts, n, q, counts);
  }
  // The last lane ends where the replicates after the slices start.
  words = starts[lanes - 1];
  const std::int32_t done = q * lanes;
  count_scalar(index, words, n, count - done,
               counts + static_cast<std::ptrdiff_t>(done) * (index.t + 1));
#else
  count_scalar(index, words, n, count, counts);
#endif
}

}  // namespace kelvaro
