#pragma once
// Ziv's rounding test: whether every real number within an error bound of an approximation
// rounds to the same double (or float), so that the fast evaluation may return it.
//
// Why the tests below are exact. Let h be the candidate, the midpoints around it h + u above and
// h - d below (u, d half the gaps, powers of two), and E the proven error bound. The bound passed
// in must exceed E by at least 2^-104 |h| for doubles (2^-51 |y| for floats); the slack is at
// least one unit in the last place of u, d (or of a float midpoint, held in a double). If the
// interval reached a midpoint, say lo + E >= u, then lo + bound >= u + ulp(u), so the rounded
// sum fl(lo + bound) > u (rounding is monotone and u + ulp(u) is representable) and
// h + fl(lo + bound) lies strictly above the midpoint: it rounds away from h. So when both sums
// round back to h, the whole interval lies strictly between the midpoints, ties excluded.

#include <cstdint>

#include "kelvaro/compat.h"

namespace kelvaro::exactmath {

// 2^k as a double. Requires: -1022 <= k <= 1023.
inline double power_of_two(int k) {
  return compat::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// The argument reduction of Tang's table-driven exp: N, the rounded product x * inv rounded to
// the nearest integer (by adding and subtracting 1.5 * 2^52), split as N = 2^table_bits m + j
// with 0 <= j < 2^table_bits. Requires: |x * inv| < 2^31; 0 < table_bits < 31.
struct TableReduction {
  double n;  // N
  int j;
  int m;  // floor(N / 2^table_bits)
};
inline TableReduction reduce_for_table(double x, double inv, int table_bits) {
  constexpr double kRoundingShifter = 0x1.8p52;
  const double n = (x * inv + kRoundingShifter) - kRoundingShifter;
  const int whole = static_cast<int>(n);
  return {n, whole & ((1 << table_bits) - 1), whole >> table_bits};
}

// Whether every v with |v - (hi + lo)| <= E rounds to nearest to hi, no tie included.
// Requires: hi == fl(hi + lo) (as a two-sum leaves it); 2^-960 < |hi| < 2^1000;
// bound >= E + 2^-104 |hi|.
inline bool rounds_to_hi(double hi, double lo, double bound) {
  return hi + (lo + bound) == hi && hi + (lo - bound) == hi;
}

// Whether every v with |v - y| <= E rounds to nearest, as a float, to f = (float)y, no tie
// included. Requires: 0 <= y < 2^129, a double; bound >= E + 2^-51 y.
inline bool rounds_to_float(double y, double bound, float f) {
  return static_cast<float>(y + bound) == f && static_cast<float>(y - bound) == f;
}

}  // namespace kelvaro::exactmath
