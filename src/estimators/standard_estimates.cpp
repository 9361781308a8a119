// The standard incidence-based richness estimators (kelvaro.h standard_estimates), each written in
// the order of operations of vegan 2.6's specpool, so that both give the same doubles to within a
// few units in the last place. exp and log are the correctly rounded ones and powers are formed by
// multiplications, so that every platform gives the same digits.

#include <cmath>

#include "exactmath/exp.h"
#include "exactmath/log.h"
#include "kelvaro/kelvaro.h"

namespace kelvaro {
namespace {

// 1.96: the 97.5% point of the standard normal distribution, for a 95% interval.
constexpr double kNormal975 = 1.96;

// x^n by repeated squaring. Requires: n >= 0.
double power(double x, std::int32_t n) {
  double result = 1.0;
  for (; n > 0; n /= 2, x *= x) {
    if (n % 2 == 1) result *= x;
  }
  return result;
}

// The variance of Chao2 (specpool's var.chao).
double chao2_variance(double f1, double f2, double c, double chao2) {
  if (f2 > 0) {
    const double a = f1 / f2;
    return f1 * c * (0.5 + c * (1 + a / 4) * a) * a;
  }
  const double f1_squared_term = f1 * (2 * f1 - 1) * (2 * f1 - 1) / 4;
  return c * (c * (f1_squared_term - f1 * f1 * f1 * f1 / chao2 / 4) + f1 * (f1 - 1) / 2);
}

}  // namespace

StandardEstimates standard_estimates(const std::vector<std::int32_t>& f) {
  StandardEstimates e;
  const auto t = static_cast<std::int32_t>(f.size());
  const double n = t;
  for (const std::int32_t v : f) e.observed += v;
  const double s = e.observed;
  if (s == 0) return e;  // no species: every value 0
  const double f1 = f[0];
  const double f2 = t >= 2 ? f[1] : 0.0;
  const double c = (n - 1) / n;  // the small-sample factor
  e.chao2 = s + (f2 > 0 ? c * f1 * f1 / 2 / f2 : c * f1 * (f1 - 1) / 2);
  const double variance = chao2_variance(f1, f2, c, e.chao2);
  e.chao2_se = std::sqrt(variance);
  const double f0 = e.chao2 - s;  // unseen species
  e.chao2_lower = e.chao2_upper = s;
  if (f0 != 0) {
    const double spread =
        exactmath::exp(kNormal975 * std::sqrt(exactmath::log(1 + variance / (f0 * f0))));
    e.chao2_lower = s + f0 / spread;
    e.chao2_upper = s + f0 * spread;
  }
  e.jack1 = s + f1 * (n - 1) / n;
  e.jack2 = t > 1 ? s + f1 * (2 * n - 3) / n - f2 * ((n - 2) * (n - 2)) / n / (n - 1) : s;
  double unseen = 0.0;
  for (std::int32_t i = 1; i <= t; ++i) unseen += f[i - 1] * power(1 - i / n, t);
  e.bootstrap = s + unseen;
  return e;
}

}  // namespace kelvaro
