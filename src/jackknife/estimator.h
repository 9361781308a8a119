#pragma once
// The jackknife estimator of population size under model M(h) (capture probability varying from
// animal to animal; here a species is an animal and a site an occasion): estimates of orders
// 1..5, a chi-square test of each order against the next, a standard error that allows for the
// choice of order, and the interpolated point estimate.
//
//   t = 5, f = (20, 8, 3, 1, 0): N(1..5) = 48.00, 56.40, 60.80, 62.74, 62.74;
//   chisq(1..3) = 10.333, 4.035, 2.531 (test 4 skipped); estimate 56.97, standard error 9.64.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "jackknife/coefficients.h"
#include "jackknife/test_power.h"
#include "numeric/one_based.h"

namespace kelvaro {

// A block's frequencies as the estimator takes them.
struct CaptureFrequencies {
  std::int32_t t = 0;            // occasions (frequency classes)
  float t_single = 0.0f;         // t in single precision
  Vector1<std::int32_t> f;       // f(i) = trunc(x(i)) for i = 1..classes()
  std::int32_t captured = 0;     // M(t+1) = f(1) + ... + f(t) (wrapping); 0 when t < 0
  float captured_single = 0.0f;  // captured in single precision

  // The classes read: t, none when t < 0.
  std::int32_t classes() const { return f.size(); }
};

// The order estimates and tests that produced an estimate, indexed by order k = 1..5.
struct OrderTables {
  Array1<float, 5> estimates{};   // N(k)
  Array1<float, 5> errors{};      // SE(k)
  Array1<float, 5> statistics{};  // chi-square of the test of N(k+1) against N(k); 0: not made
};

struct JackknifeResult {
  float estimate = 0.0f;        // interpolated, not rounded
  float standard_error = 0.0f;  // of the mixture of orders
  std::int32_t captured = 0;    // species seen, M(t+1)
  OrderTables orders;
  Array1<float, 5> weight{};  // w(k): weight of order k in the mixture
  Array1<float, 5> power{};   // P(k): power of the test of order k+1 against order k
  // A test skipped for zero variance before a test that was made: the weights then do not sum
  // to 1 and the standard error is formed with them as they are.
  bool weights_unbalanced = false;
  // The interpolation fell below the species seen and N(1) was taken (ill-conditioned data).
  bool fell_back = false;
};

// One estimator keeps the coefficient table of its last t and the chi-square probabilities of
// the power series between estimates; results never depend on what it estimated before. Not to
// be shared between threads (each run and each worker owns one).
class JackknifeEstimator {
 public:
  // Estimates from x(1..t) (x points at x(1); fractions are dropped, f(i) = trunc(x(i))).
  // No species seen: estimate 0, standard error 0; one: 1 and 1. Otherwise N(k), SE(k) for
  // k = 1..5 and the test statistics (0 for tests not made, including a test whose denominator
  // is exactly 0), the orders 1..min(5, t) weighed by the powers of the tests, the standard error
  // the square root of the mixture's variance and the estimate the interpolation's value. Zero
  // divisors are not tested for. A t below 0 reads nothing and takes the path for no species
  // seen. The estimator's storage grows with t.
  // Requires: x(1..t) readable.
  JackknifeResult estimate(const float* x, std::int32_t t);

  // The estimate alone, exactly estimate(x, t).estimate: the interpolation needs the order
  // estimates and the tests' statistics, not the tests' powers or the standard error, so those
  // are not worked out (a bootstrap replicate keeps its estimate only).
  float estimate_only(const float* x, std::int32_t t);

  // The estimates of `count` bootstrap replicates: estimates[r] is exactly
  // estimate_only(rows + r * stride, t). Four replicates at a time share the passes over the
  // classes, each replicate's sums in a vector lane of their own (formed in class order as
  // estimate_only forms them), so that the sums' additions, which wait on one another within a
  // replicate, overlap across replicates.
  // Requires: rows + r * stride readable for t floats, r < count; estimates holds count floats.
  void estimate_replicates(const float* rows, std::size_t stride, std::int32_t count,
                           std::int32_t t, float* estimates);

 private:
  static constexpr int kOrders = 5;
  const CoefficientTable& coefficients(std::int32_t t);
  // The frequencies, the order estimates and the tests' statistics (made[k-1]: test k was made);
  // false when fewer than two species were seen (r then holds the estimate and its error).
  bool orders_and_tests(const float* x, std::int32_t t, OrderTables& o, bool (&made)[kOrders],
                        JackknifeResult& r);

  CoefficientTable coef_{};
  std::int32_t coef_t_ = -2147483647 - 1;  // t of coef_; this value: no table yet
  TestPowerSeries power_;
  // Four replicates' estimates side by side (estimate_replicates).
  void estimate_group(const float* rows, std::size_t stride, std::int32_t t, float* estimates);

  CaptureFrequencies data_;
  std::array<CaptureFrequencies, 4> group_;
};

}  // namespace kelvaro
