#include "plan/printed_interval.h"

#include <cmath>

#include "kelvaro/numbers.h"

namespace kelvaro::plan {
namespace {

std::int64_t power_of_ten(int k) {
  std::int64_t p = 1;
  while (k-- > 0) p *= 10;
  return p;
}

// -1, 0 or 1 as v is below, at or above truth; v a printed value in units of 10^-decimals.
int compare_units(std::int64_t units, int decimals, Fraction truth) {
  // Products of up to 10^18 and 10^7: formed in 128 bits (a GCC and Clang type), never wrapping.
  const __int128 left = static_cast<__int128>(units) * truth.den;
  const __int128 right = static_cast<__int128>(truth.num) * power_of_ten(decimals);
  return left < right ? -1 : left > right ? 1 : 0;
}

// -1, 0 or 1 as the printed limit lies below, at or above the truth; nullopt for NaN.
std::optional<int> side_of_truth(float limit, int decimals, Fraction truth) {
  if (std::isnan(limit)) return std::nullopt;
  const std::optional<std::int64_t> units = printed_units(limit, decimals);
  if (!units) return limit < 0.0f ? -1 : 1;  // infinite, or too large for any truth
  return compare_units(*units, decimals, truth);
}

}  // namespace

bool printed_interval_holds(float lower, float upper, int decimals, Fraction truth) {
  const std::optional<int> low = side_of_truth(lower, decimals, truth);
  const std::optional<int> high = side_of_truth(upper, decimals, truth);
  return low && high && *low <= 0 && *high >= 0;
}

}  // namespace kelvaro::plan
