#pragma once
// One block's records in the slots the run reads them into, and what a block leaves in those slots
// for the next. A null value or a slash in the free-form input keeps the value its slot held
// before: an earlier block's data, or the class counts of a block's last bootstrap replicate. That
// value is part of the run's result, so the run hands it to the reader as a CarryOver.

#include <algorithm>
#include <cstdint>

#include "numeric/one_based.h"

namespace kelvaro {

// The slots a run keeps, for the larger t of its two numbers of sites: frequency slots for
// f(1..t) and, with the frequency pair, f'(1..t+1) behind it; for the counts x(1..c+2) a
// bootstrap leaves of the c classes it estimated from (t, or t + 1 with the pair); and for the 7
// classes a detail line of the report shows. Site slots for n(1..t). A slot that nothing has
// written holds 0.
//   t = 98 -> 100 frequency slots;  t = 1000 with the pair -> 2001;  t = 3 -> 7
struct SlotCounts {
  std::int32_t frequencies = 0;
  std::int32_t sites = 0;
};
inline SlotCounts slot_counts(std::int32_t t, bool pair) {
  const std::int32_t classes = pair ? t + 1 : t;
  const std::int32_t records = pair ? 2 * t + 1 : t;
  return {std::max({records, classes + 2, std::int32_t{7}}), std::max(t, std::int32_t{0})};
}

// The values a block leaves for the next block's records (all 0 before the first block).
struct CarryOver {
  CarryOver() = default;
  explicit CarryOver(SlotCounts slots) : x(slots.frequencies), n(slots.sites) {}
  CarryOver(const Vector1<float>& x_, const Vector1<std::int32_t>& n_) : x(x_), n(n_) {}

  Vector1<float> x;         // frequency slots
  Vector1<std::int32_t> n;  // site slots
};

// A block's records as read over a CarryOver: the slots the records name hold the values read,
// the others what was carried over.
struct BlockRecords {
  Vector1<float> x;         // f(1..t), and with the frequency pair f'(1..t+1) behind it
  Vector1<std::int32_t> n;  // n(1..t)
  std::int64_t line = 0;    // input line where the records start (0 for structured data)

  explicit BlockRecords(const CarryOver& carried) : x(carried.x), n(carried.n) {}
};

}  // namespace kelvaro
