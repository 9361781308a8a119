#include "probability/cdtr.h"

#include <cmath>

#include "exactmath/exp.h"
#include "exactmath/log.h"
#include "probability/ndtr.h"

namespace kelvaro {

namespace {

// k! for k = 0..30, then 0.0 (never read). Exact up to 20!; from 21! on the decimal values to
// 15 significant digits.
constexpr double fact[32] = {
    1.0,
    1.0,
    2.0,
    6.0,
    24.0,
    120.0,
    720.0,
    5040.0,
    40320.0,
    362880.0,
    3628800.0,
    39916800.0,
    479001600.0,
    6227020800.0,
    87178291200.0,
    1307674368000.0,
    20922789888000.0,
    355687428096000.0,
    6402373705728000.0,
    121645100408832000.0,
    2432902008176640000.0,
    5.10909421717094e19,
    1.12400072777761e21,
    2.58520167388850e22,
    6.20448401733239e23,
    1.55112100433310e25,
    4.03291461126606e26,
    1.08888694504184e28,
    3.04888344611714e29,
    8.84176199373970e30,
    2.65252859812191e32,
    0.0,
};

constexpr double kSqrtPi = 1.7724538509055159;

// Gamma(df/2 + 1): (df/2)! for even df, (1/2)(3/2)...(df/2) sqrt(pi) for odd df.
// Requires: 1 <= df <= 60.
double gamma_factor(std::int32_t df) {
  if (df % 2 == 0) return fact[df / 2];
  double g = 1.0;
  for (std::int32_t k = 0; k <= (df - 1) / 2; ++k) g = g * ((2.0 * k + 1.0) / 2.0);
  return g * kSqrtPi;
}

// The power series of the incomplete gamma function, at most 100 terms after the leading 1.
double series_probability(double x, std::int32_t df) {
  const double v = (static_cast<double>(df) - 2.0) * 0.5 + 1.0;  // df/2 without integer division
  const double h = x / 2.0;
  double s = 1.0;
  double d = v + 1.0;
  double term = h / d;
  for (int i = 1; i <= 100; ++i) {
    s = s + term;
    if (std::fabs(term) < 1.0e-6) break;
    d = d + 1.0;
    term = term * h / d;
  }
  const double w = exactmath::log(s / gamma_factor(df)) + v * exactmath::log(h) - h;
  if (w > 88.0) return 1.0;
  if (w > -88.0) return exactmath::exp(w);
  return 0.0;
}

}  // namespace

void cdtr(double x, std::int32_t df, double& p, std::int32_t& status) {
  status = 0;
  if (x < 0.0 || df < 0) {
    status = -1;
    p = kCdtrInvalid;
    return;
  }
  if (df == 0 || 100.0 + x == 100.0) {
    p = 0.0;
    return;
  }
  if (df > 60 || x > 100.0) {
    // The square root of twice a chi-square variable is nearly normal.
    ndtr(std::sqrt(2.0 * x) - std::sqrt(2.0 * static_cast<double>(df) - 1.0), p);
  } else {
    p = series_probability(x, df);
  }
  if (p < 0.0 || p > 1.0) {
    status = 1;
    p = kCdtrOutside;
  }
}

double chi_square_upper_tail(double x, std::int32_t df) {
  double p = 0.0;
  std::int32_t status = 0;
  cdtr(x, df, p, status);
  if (status == 1) p = 1.0;
  return 1.0 - p;
}

}  // namespace kelvaro
