// Binomial counts: direct counting for few trials, the product rule for small or large
// probabilities and a twelve-uniform normal approximation otherwise.

#include "bootstrap/binomial.h"

#include <cmath>

#include "exactmath/expf.h"
#include "numeric/conversions.h"

namespace kelvaro {

namespace {

// Above this many trials the count is approximated instead of drawn trial by trial.
constexpr std::int32_t kDirectTrials = 300;

// Number of uniforms whose sum, less 6, approximates a standard normal (variance 12 * 1/12).
constexpr int kNormalDraws = 12;

// Trials counted one draw each: successes are draws u with q >= u.
std::int32_t count_successes(std::int32_t n, float q, UniformGenerator& g) {
  std::int32_t count = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    if (q >= g.draw()) ++count;
  }
  return count;
}

// Poisson count of mean m, e = exp(-m) > 0: the number of uniforms multiplied into P before
// P falls below e.
std::int32_t product_rule(float e, UniformGenerator& g) {
  float p = 1.0f;
  std::int32_t r = 0;
  for (;;) {
    p = p * g.draw();
    if (e > p) return r;
    r = r + 1;
  }
}

// Normal count of mean m and variance (1 - q) m from twelve uniforms, rounded half up.
std::int32_t normal_approximation(float q, float m, UniformGenerator& g) {
  const float v = (1.0f - q) * m;
  float z = -6.0f;
  for (int i = 0; i < kNormalDraws; ++i) z = z + g.draw();
  return trunc_to_int(std::sqrt(v) * z + m + 0.5f);
}

}  // namespace

std::int32_t binomial_count(std::int32_t n, float q, UniformGenerator& g) {
  if (q > 0.9999f) return n;
  if (q <= 0.0f) return 0;
  if (n <= kDirectTrials) return count_successes(n, q, g);
  const float m = static_cast<float>(n) * q;
  if (q < 0.05f || q > 0.95f) {
    const float e = exactmath::expf(-m);
    // exp(-m) is 0 once m exceeds about 103.97 (NaN never: q is finite and positive here);
    // no product of uniforms can then fall below it, so the normal branch takes over.
    if (e > 0.0f) return product_rule(e, g);
  }
  return normal_approximation(q, m, g);
}

}  // namespace kelvaro
