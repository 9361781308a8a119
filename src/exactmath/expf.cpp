// Fast path in double precision after Tang's method: x = (32 m + j) ln2/32 + r, |r| <= ln2/64,
// exp(x) = 2^m 2^(j/32) exp(r) with a degree-5 Taylor polynomial; relative error below 2^-48.3,
// proven below, then rounded to float when no float rounding boundary lies within that bound
// (all but about one argument in four million); otherwise the accurate phase decides.
#include "exactmath/expf.h"

#include <cmath>

#include "exactmath/accurate.h"
#include "exactmath/rounding_check.h"
#include "exactmath/strict_fp.h"
#include "exactmath/tables.h"

namespace kelvaro::exactmath {

namespace {

// Above ln(2^128) = 88.7228... the result overflows; below ln(2^-150) = -103.972... it is below
// half the least subnormal float. Between these bounds and the thresholds here, the general
// paths round correctly to infinity, zero or the least subnormal.
constexpr double kOverflowBound = 88.73;
constexpr double kUnderflowBound = -103.98;
// For |x| <= 2^-25, exp(x) lies within (1 - 2^-25, 1 + 2^-24): strictly between the float
// midpoints around 1, so it rounds to 1.
constexpr double kNearZero = 0x1p-25;
// The bound given to the rounding test, relative: the proven 2^-48.3 plus more than the 2^-51
// of slack the test needs.
constexpr double kRelativeBound = 0x1p-47;

}  // namespace

float expf(float xf) {
  const double x = xf;
  if (std::isnan(x)) return xf + xf;
  if (x > kOverflowBound) return HUGE_VALF;
  if (x < kUnderflowBound) return 0.0f;
  if (std::fabs(x) <= kNearZero) return 1.0f;

  // N = round(x 32/ln2), |N| < 4800 < 2^13; N = 32 m + j, 0 <= j < 32.
  const auto [n, j, m] = reduce_for_table(x, tables::kExpfInvLn2, 5);

  // r = x - N ln2/32. x - N C1 is exact: N = 0, or |x| >= 2^-7 and x (a float) and N C1 (C1 of
  // 40 bits) are multiples of 2^-45, the difference, below 2^-6.5, of fewer than 53 bits. The
  // subtraction of N C2 errs by at most 2^-53 |r| <= 2^-59.5. |r| <= ln2/64 (1 + 2^-30) < 2^-6.52.
  const double r = (x - n * tables::kExpfLn2Hi) - n * tables::kExpfLn2Lo;
  // exp(r) - 1 to within r^6/720 (1.01) < 2^-48.7 (Taylor), plus rounding below 2^-58.
  const double p = r + r * r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0 + r * (1.0 / 120.0))));
  // T (1 + p), T = 2^(j/32) within 2^-53 relative: two roundings and T's error, 3 2^-53.
  const double t = tables::kExpf2[j];
  const double y = (t + t * p) * power_of_two(m);  // m in -151..128: exact scaling
  // Relative error: 2^-48.7 + 2^-59.5 + 2^-58 + 3 2^-53 < 2^-48.3.

  const auto f = static_cast<float>(y);
  if (rounds_to_float(y, y * kRelativeBound, f)) return f;
  return static_cast<float>(accurate_exp(x, kFloat));
}

}  // namespace kelvaro::exactmath
