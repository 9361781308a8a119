#pragma once
// Whether a bootstrap interval, as kelvaro's report prints it, holds a true value. The limits are
// taken with the report's decimals (halves away from zero, on the stored binary value), then
// compared with the truth exactly, in whole numbers.
//
//   [0.79996, 0.85] with 4 decimals prints [0.8000, 0.8500]: holds 4/5
//   [99.994, 120.0] with 2 decimals prints [99.99, 120.00]: does not hold 100

#include <cstdint>
#include <optional>

#include "kelvaro/numbers.h"  // printed_units
#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// lower <= truth <= upper with both limits as printed. A NaN limit never holds; an infinite one
// holds on its side; a limit beyond 10^12 is compared by its sign alone (no truth is that large).
// Requires: 0 <= decimals <= 6, 0 <= truth.num <= 10^12, 1 <= truth.den <= 10^12.
bool printed_interval_holds(float lower, float upper, int decimals, Fraction truth);

}  // namespace kelvaro::plan
