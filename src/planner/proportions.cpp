#include <cmath>
#include <limits>

#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

ShareInterval wilson_interval(std::int64_t successes, std::int64_t trials, double z) {
  if (trials <= 0) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    return {kNaN, kNaN};
  }
  const auto n = static_cast<double>(trials);
  const double p = static_cast<double>(successes) / n;
  const double z2 = z * z;
  const double scale = 1.0 + z2 / n;
  const double centre = (p + z2 / (2.0 * n)) / scale;
  const double half = z * std::sqrt(p * (1.0 - p) / n + z2 / (4.0 * n * n)) / scale;
  // The limits hold p, and stay within [0, 1], whatever the rounding.
  return {std::fmax(0.0, std::fmin(p, centre - half)), std::fmin(1.0, std::fmax(p, centre + half))};
}

double share_standard_error(std::int64_t successes, std::int64_t trials) {
  constexpr double kZ = 2.0;
  const ShareInterval i = wilson_interval(successes, trials, kZ);
  return (i.upper - i.lower) / (2.0 * kZ);
}

}  // namespace kelvaro::plan
