#include "probability/ndtr.h"

#include <cmath>

#include "exactmath/exp.h"

namespace kelvaro {

void ndtr(double z, double& p) {
  const double t = 1.0 / (1.0 + 0.2316419 * std::fabs(z));
  const double e = -z * z / 2.0;
  // Below -700 the density is held at its value for |z| = sqrt(1400): 0.3989423 * exp(-700).
  const double d = e < -700.0 ? 3.933442037623574e-305 : 0.3989423 * exactmath::exp(e);
  // The five-term rational approximation of the upper tail (coefficients to seven digits).
  const double q =
      1.0 - d * t * ((((1.330274 * t - 1.821256) * t + 1.781478) * t - 0.3565638) * t + 0.3193815);
  p = z >= 0.0 ? q : 1.0 - q;
}

}  // namespace kelvaro
