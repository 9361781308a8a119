#pragma once
// Power of the 5 percent chi-square test with 1 degree of freedom (reject above 3.8416 = 1.96^2)
// when the statistic is non-central with non-centrality lambda:
//   power = 1 - sum over i >= 0 of Poisson(i; lambda/2) * P(chi-square with 1+2i d.f. <= 3.8416).
//
//   lambda = 0 -> about 0.05      lambda >= 700 -> 1.0      lambda < 0 -> -1.0

#include <cstdint>
#include <vector>

namespace kelvaro {

// The series with the chi-square probabilities of its terms kept: they do not depend on lambda,
// so each is worked out by cdtr the first time a sum reaches it and reused by later sums (lambda
// near 700 needs about 450). Owned by one estimator; not to be shared between threads.
class TestPowerSeries {
 public:
  // The power as above (single precision; the Poisson terms and lambda/2 in double).
  // Bad arguments (level outside 0..1, lambda < 0): -1.0. A failure of cdtr: -2.0.
  // lambda >= 700: 1.0 without calling cdtr. The critical value does not depend on level.
  // Requires: nothing.
  float power(float level, double lambda);

  // The powers of several tests at once, out[i] = power(level, lambdas[i]) for i < count: the
  // series run side by side, each with exactly its own arithmetic (Poisson term by Poisson term,
  // e_i = ((lambda/2) e_(i-1)) / i, until their total covers all but 1e-5), so independent
  // divisions overlap. Requires: 0 <= count <= kMaxSeries.
  static constexpr int kMaxSeries = 4;
  void powers(float level, const double* lambdas, int count, float* out);

 private:
  // F(2i + 1) as the sum uses it: entry 0 as cdtr returns it, the others rounded to single
  // precision. Requires: i >= 0.
  double term_probability(std::int32_t i);

  std::vector<double> terms_;  // F(1), F(3), F(5), ... as far as a sum has reached
};

}  // namespace kelvaro
