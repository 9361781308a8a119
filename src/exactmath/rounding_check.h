#pragma once
// Ziv's rounding test: whether every real number within a proven error bound of an approximation
// rounds to the same double (or float), so that the fast evaluation may return it. The tests
// are exact: they compare against the midpoints around the candidate, which are representable,
// and rounding is monotone, so fl(a + b) < m implies a + b < m for a representable m.

#include <bit>
#include <cstdint>

namespace kelvaro::exactmath {

// 2^k as a double. Requires: -1022 <= k <= 1023.
inline double power_of_two(int k) {
  return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// Whether every value v with |v - (hi + lo)| <= bound rounds to nearest to hi, no tie included.
// Requires: hi == fl(hi + lo) (as a two-sum leaves it); |hi| in [2^-968, 2^1023); bound >= 0.
inline bool rounds_to_hi(double hi, double lo, double bound) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(hi);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const double toward_zero_lo = hi < 0.0 ? -lo : lo;  // lo as seen from |hi|
  // Half the gap to the next double up in magnitude: ulp(hi) / 2 = 2^(biased - 1076). Below a
  // power of two the gap down is half as wide.
  const double half_up = power_of_two(biased - 1076);
  const bool at_power_of_two = (bits & 0x000fffffffffffffULL) == 0;
  const double half_down = at_power_of_two ? half_up * 0.5 : half_up;
  return toward_zero_lo + bound < half_up && toward_zero_lo - bound > -half_down;
}

// Whether every value v with |v - y| <= bound rounds to nearest, as a float, to f = (float)y,
// no tie included. Requires: y >= 0 a normal double below 2^128, bound >= 0. False when f is
// infinite.
inline bool rounds_to_float(double y, double bound, float f) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(f);
  const int biased = static_cast<int>(bits >> 23);  // sign bit clear: y >= 0
  if (biased == 0xff) return false;
  // ulp(f) = 2^(biased - 150) for normal f, 2^-149 for subnormal f and zero; the gap below a
  // normal power of two (other than the least normal 2^-126) is half as wide.
  const double half_up = power_of_two((biased == 0 ? 1 : biased) - 151);
  const bool at_power_of_two = (bits & 0x7fffff) == 0 && biased > 1;
  const double half_down = at_power_of_two ? half_up * 0.5 : half_up;
  const double midpoint_up = static_cast<double>(f) + half_up;  // exact: 25 bits
  const double midpoint_down = static_cast<double>(f) - half_down;
  return y + bound < midpoint_up && y - bound > midpoint_down;
}

}  // namespace kelvaro::exactmath
