#pragma once
// The text of a kelvaro input: the header `t1 t2 pair nreps ix`, then for Sample 1, Sample 2,
// Subset A and Subset B the line of f(1..t) and the line of n(1..t). Every record stands on its
// own line, because kelvaro's reads discard the rest of the line after a record's last value.
// The frequency pair is never used (pair = 0).
//
//   t1 = 2, t2 = 2, nreps 50, seed 400:  "2 2 0 50 400\n" "3 1\n" "4 1\n" ...
//   without range adjustment:            "-2 2 0 50 400\n" ...

#include <cstdint>
#include <string>

#include "prep/blocks.h"

namespace kelvaro::prep {

struct RunSettings {
  std::int32_t nreps = 50;  // bootstrap iterations; negative asks for detail lines
  std::int32_t seed = 400;  // 0: kelvaro takes the seed from the clock
  bool range_adjust = true;
};

// Requires: Subset A has Sample 2's t, Subset B Sample 1's t (as derive_blocks makes them).
std::string kelvaro_input(const KelvaroBlocks& blocks, const RunSettings& settings);

}  // namespace kelvaro::prep
