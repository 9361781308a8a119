// Fast path after Tang's table-driven method: x = (128 m + j) ln2/128 + r, |r| <= ln2/256, and
// exp(x) = 2^m 2^(j/128) exp(r), with 2^(j/128) from a table as a double-double and exp(r) from
// its Taylor polynomial; about 2^-67.4 relative error, proven below. When the result is too close
// to a rounding boundary for that bound, the accurate phase decides.
#include "exactmath/exp.h"

#include <cmath>

#include "exactmath/accurate.h"
#include "exactmath/error_free.h"
#include "exactmath/rounding_check.h"
#include "exactmath/tables.h"

namespace kelvaro::exactmath {

namespace {

// Above ln(2^1024) = 709.7827... the result overflows; below ln(2^-1075) = -745.1332... it is
// below half the least subnormal and rounds to 0. Between these bounds and the thresholds here,
// the general paths round correctly to infinity, zero or the least subnormal.
constexpr double kOverflowBound = 709.79;
constexpr double kUnderflowBound = -745.14;
// Below ln(2^-1021) = -707.703... the result may be subnormal: the accurate phase rounds it.
constexpr double kSubnormalBound = -707.7;
// For |x| <= 2^-54, exp(x) lies within (1 - 2^-54, 1 + 2^-53): strictly between the midpoints
// around 1, so it rounds to 1.
constexpr double kNearZero = 0x1p-54;
// The bound given to the rounding test, relative: the proven 2^-67.4 (see below) plus more than
// the 2^-104 of slack the test needs.
constexpr double kRelativeBound = 0x1p-66;

}  // namespace

double exp(double x) {
  if (std::isnan(x)) return x + x;
  if (x > kOverflowBound) return HUGE_VAL;
  if (x < kUnderflowBound) return 0.0;
  if (std::fabs(x) <= kNearZero) return 1.0;
  if (x < kSubnormalBound) return accurate_exp(x, kDouble);

  // N nearest (to within 2^-35) to x 128/ln2, |N| < 2^17.1; N = 128 m + j, 0 <= j < 128.
  const auto [n, j, m] = reduce_for_table(x, tables::kExpInvLn2, 7);

  // r = x - N ln2/128 = rh + rl, to within 2^-77. a = x - N C1 is exact: N = 0, or |x| >= 2^-9
  // and x and N C1 (C1 of 35 bits, a multiple of 2^-42) are multiples of 2^-61, and |a| below
  // 2^-8.4 is a multiple of 2^-61 of fewer than 53 bits. N C2 errs by 2^-78, and C1 + C2 differs
  // from ln2/128 by 2^-96 (times |N| < 2^18: 2^-78). |r| <= 2^-8.52.
  const double a = x - n * tables::kExpLn2Hi;
  const DoubleSum r = two_sum(a, -(n * tables::kExpLn2Lo));
  const double rh = r.hi;
  const double rl = r.lo;

  // exp(r) - 1 = rh + rl + rh rl + q + (the rest, below 2^-71.9 + 2^-100), with
  // q = rh^2 (1/2 + rh/6 + rh^2/24 + rh^3/120 + rh^4/720) to within 3 2^-53 |q| <= 2^-69.4.
  const double q =
      rh * rh *
      (0.5 + rh * (1.0 / 6.0 + rh * (1.0 / 24.0 + rh * (1.0 / 120.0 + rh * (1.0 / 720.0)))));

  // y = (T.hi + T.lo)(1 + exp(r) - 1), T = 2^(j/128) to within 2^-106: T.hi rh exactly by
  // Dekker's product, T.hi + its high part exactly; the low-order terms (each below 2^-17) are
  // summed with rounding errors below 3 2^-53 2^-16.9 = 2^-68.3.
  const DoubleSum t = tables::kExp2[j];
  const DoubleSum p = two_prod(t.hi, rh);
  const DoubleSum s = fast_two_sum(t.hi, p.hi);
  const double low = s.lo + (t.hi * q + (t.hi * (rl + rh * rl) + ((t.lo + t.lo * rh) + p.lo)));
  const DoubleSum y = fast_two_sum(s.hi, low);
  // Relative error of y.hi + y.lo: 2^-69.4 + 2^-68.3 + 2^-71.9 + 2^-77 < 2^-67.4.

  if (!rounds_to_hi(y.hi, y.lo, y.hi * kRelativeBound)) return accurate_exp(x, kDouble);
  // y.hi * 2^m is exact for a normal result (m >= -1021: y.hi > 0.99); for m = 1024, twice
  // y.hi times 2^1023 overflows to infinity exactly when the rounded result reaches 2^1024.
  if (m > 1023) return (y.hi * 2.0) * power_of_two(m - 1);
  return y.hi * power_of_two(m);
}

}  // namespace kelvaro::exactmath
