// Power of the chi-square test against a non-central alternative.
#include "jack/cpower.h"

#include <cmath>
#include <cstdint>

#include "probability/cdtr.h"

namespace kelvaro {

namespace {
// 3.8416 = 1.96^2, the 5 percent point of chi-square with 1 d.f.
constexpr double kCritical = 3.8416;
// The Poisson weights are summed until they cover all but 1e-5 of the total.
constexpr double kCovered = 0.99999;
// exp(-350) is still far from underflow; beyond this non-centrality the power is taken as 1.
constexpr double kCertain = 700.0;
// cdtr gives -1.0e25 for an invalid argument; any p below this is a failure.
constexpr double kFailed = -0.9;
}  // namespace

void cpower(float level, double lambda, float& power) {
  power = -1.0f;
  if (level < 0.0f || level > 1.0f || lambda < 0.0) return;

  double e = 1.0;  // Poisson(0; lambda/2)
  if (lambda > 0.0) {
    if (!(lambda < kCertain)) {
      power = 1.0f;
      return;
    }
    e = std::exp(-lambda / 2.0);
  }

  double p = 0.0;
  std::int32_t status = 0;
  cdtr(kCritical, 1, p, status);
  if (p < kFailed) {
    power = -2.0f;
    return;
  }
  power = static_cast<float>(e * p);
  double s = e;

  if (s < kCovered) {
    double i = 1.0;
    std::int32_t n = 1;
    do {
      e = ((lambda / 2.0) * e) / i;  // Poisson(i; lambda/2) from Poisson(i-1; lambda/2)
      s = s + e;
      n = n + 2;
      i = i + 1.0;
      cdtr(kCritical, n, p, status);
      p = static_cast<double>(static_cast<float>(p));
      if (p < kFailed) {
        power = -2.0f;
        return;
      }
      power = power + static_cast<float>(e * p);
    } while (!(s > kCovered));
  }
  power = 1.0f - power;
}

}  // namespace kelvaro
