#pragma once
// One block's records in the slots the run reads them into, and what a block leaves in those slots
// for the next. A null value or a slash in the free-form input keeps the value its slot held
// before: an earlier block's data, or the class counts of a block's last bootstrap replicate. That
// value is part of the run's result, so the run hands it to the reader as a CarryOver.

#include <cstdint>

#include "numeric/one_based.h"

namespace kelvaro {

// The values a block leaves for the next block's records (all 0 before the first block).
struct CarryOver {
  Array1<float, 100> x{};         // frequency slots
  Array1<std::int32_t, 100> n{};  // site slots
};

// A block's records as read over a CarryOver: the slots the records name hold the values read,
// the others what was carried over.
struct BlockRecords {
  Array1<float, 100> x{};         // f(1..t), and with the frequency pair f'(1..t+1) behind it
  Array1<std::int32_t, 100> n{};  // n(1..t)
  std::int64_t line = 0;          // input line where the records start (0 for structured data)

  explicit BlockRecords(const CarryOver& carried) : x(carried.x), n(carried.n) {}
};

}  // namespace kelvaro
