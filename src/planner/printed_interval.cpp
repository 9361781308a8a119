#include "planner/printed_interval.h"

#include <cmath>
#include <cstdint>

#include "kelvaro/numbers.h"

namespace kelvaro::plan {
namespace {

std::int64_t power_of_ten(int k) {
  std::int64_t p = 1;
  while (k-- > 0) p *= 10;
  return p;
}

// The product of two magnitudes below 2^64 in 128 bits (high and low words), formed from 32-bit
// halves in standard C++ (no compiler's 128-bit type), exactly.
struct Product {
  std::uint64_t high;
  std::uint64_t low;
};

Product product(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kHalf = 0xffffffffu;
  const std::uint64_t a0 = a & kHalf, a1 = a >> 32, b0 = b & kHalf, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t middle = (p00 >> 32) + (p01 & kHalf) + (p10 & kHalf);  // below 3 * 2^32
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & kHalf)};
}

int sign(std::int64_t v) { return (v > 0) - (v < 0); }

std::uint64_t magnitude(std::int64_t v) {
  return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// -1, 0 or 1 as a * b is below, at or above c * d, exactly (products of up to 10^18 and 10^12).
int compare_products(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) {
  const int left_sign = sign(a) * sign(b);
  const int right_sign = sign(c) * sign(d);
  if (left_sign != right_sign) return left_sign < right_sign ? -1 : 1;
  if (left_sign == 0) return 0;
  const Product left = product(magnitude(a), magnitude(b));
  const Product right = product(magnitude(c), magnitude(d));
  const int magnitudes = left.high != right.high ? (left.high < right.high ? -1 : 1)
                         : left.low != right.low ? (left.low < right.low ? -1 : 1)
                                                 : 0;
  return left_sign * magnitudes;
}

// -1, 0 or 1 as v is below, at or above truth; v a printed value in units of 10^-decimals.
int compare_units(std::int64_t units, int decimals, Fraction truth) {
  return compare_products(units, truth.den, truth.num, power_of_ten(decimals));
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
