#include "planner/draws.h"

#include <cassert>
#include <cmath>

#include "kelvaro/numbers.h"  // first: the strict evaluation it sets applies to all below

namespace kelvaro::plan {

double standard_normal(SimulationGenerator& g) {
  for (;;) {
    const double u = 2.0 * g.uniform() - 1.0;
    const double v = 2.0 * g.uniform() - 1.0;
    const double s = u * u + v * v;
    if (s > 0.0 && s < 1.0) return u * std::sqrt(-2.0 * exactmath::log(s) / s);
  }
}

double log_gamma_deviate(SimulationGenerator& g, double shape) {
  assert(shape > 0.0 && std::isfinite(shape) && "gamma shape must be positive");
  if (shape < 1.0) {
    // Gamma(a) = Gamma(a + 1) * U^(1/a) (Marsaglia and Tsang, section 6).
    const double boosted = log_gamma_deviate(g, shape + 1.0);
    return boosted + exactmath::log(g.uniform_open_at_zero()) / shape;
  }
  // Marsaglia and Tsang: d = a - 1/3, c = 1/sqrt(9d); accept d*v with v = (1 + c*x)^3.
  const double d = shape - 1.0 / 3.0;
  const double c = 1.0 / std::sqrt(9.0 * d);
  for (;;) {
    const double x = standard_normal(g);
    const double root = 1.0 + c * x;
    if (root <= 0.0) continue;
    const double v = root * root * root;
    const double u = g.uniform_open_at_zero();
    const double x2 = x * x;
    // The squeeze 1 - 0.0331 x^4 accepts most draws without a logarithm (0.0331 is the
    // paper's constant).
    if (u < 1.0 - 0.0331 * x2 * x2 ||
        exactmath::log(u) < 0.5 * x2 + d * (1.0 - v + exactmath::log(v))) {
      return exactmath::log(d) + exactmath::log(v);
    }
  }
}

double beta_deviate(SimulationGenerator& g, double a, double b) {
  const double log_x = log_gamma_deviate(g, a);
  const double log_y = log_gamma_deviate(g, b);
  // X / (X + Y) = 1 / (1 + exp(log Y - log X)); exp overflowing to infinity gives 0, as it should.
  return 1.0 / (1.0 + exactmath::exp(log_y - log_x));
}

}  // namespace kelvaro::plan
