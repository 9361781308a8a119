// Jackknife estimates of orders 1..5, the tests between successive orders and the mixture
// standard error.
#include "jack/jack.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "jack/coeff.h"
#include "jack/cpower.h"
#include "jack/interp.h"
#include "jack/readj.h"
#include "shared/array.h"
#include "shared/numeric.h"
#include "shared/storage.h"

namespace kelvaro {

namespace {

constexpr int kOrders = 5;
// Classes above 31 share the coefficients of class 31.
constexpr std::int32_t kLastTableClass = 31;
// Below this statistic a test is taken to have power exactly the level.
constexpr float kPowerFloor = 1.0f;
// Level of every test: 5 percent.
constexpr float kLevel = 0.05f;

float class_count(std::int32_t j) { return static_cast<float>(minsuf.f(j)); }

// Step 5: N(k) and SE(k) for all five orders, whatever t is; the sums are stored after every
// step. Also clears chisq(k).
void order_estimates(std::int32_t t) {
  for (int k = 1; k <= kOrders; ++k) {
    work02.chisq(k) = 0.0f;
    work02.nk(k) = 0.0f;
    work02.sek(k) = 0.0f;
    for (std::int32_t j = 1; j <= t; ++j) {
      const float c = work02.coef(k, std::min(j, kLastTableClass));
      work02.nk(k) = work02.nk(k) + c * class_count(j);
      work02.sek(k) = work02.sek(k) + (c * c) * class_count(j);
    }
    // Variance of N(k): sum of a(k,j)^2 f(j) less N(k), floored at 0.
    work02.sek(k) = std::sqrt(std::max(work02.sek(k) - work02.nk(k), 0.0f));
  }
}

// Step 8.1: S for the test of order k + 1 against order k.
float test_sum(int k, std::int32_t t) {
  float s = 0.0f;
  for (std::int32_t j = 1; j <= t; ++j) {
    const std::int32_t jj = std::min(j, kLastTableClass);
    const float dc = work02.coef(k + 1, jj) - work02.coef(k, jj);
    s = s + (dc * dc) * class_count(j);
  }
  return s;
}

}  // namespace

void jack(float& estimate, float& standard_error) {
  coeff();
  work02.weights_unbalanced = false;
  work02.fell_back = false;
  const std::int32_t animals = captured();
  if (animals == 0) {
    estimate = 0.0f;
    standard_error = 0.0f;
    return;
  }
  if (animals == 1) {
    estimate = 1.0f;
    standard_error = 1.0f;
    return;
  }

  // Both minima in real arithmetic, then truncated.
  const float treal = minsuf.treal;
  const std::int32_t m = trunc_to_int(std::min(5.0f, treal));
  const std::int32_t m2 = trunc_to_int(std::min(4.0f, treal - 1.0f));
  // f and x hold 100 classes; the count was stored only for t <= 100.
  const std::int32_t t = std::min(minsuf.ntrap, std::int32_t{100});

  Array1<float, kOrders> w{};
  Array1<float, kOrders> P{};
  order_estimates(t);

  const float M = minsuf.mreal;
  const float g = M / (M - 1.0f);
  w(m2 + 1) = 1.0f;

  bool skipped = false;  // a test before this one was skipped
  for (int k = 1; k <= m2; ++k) {
    const float S = test_sum(k, t);
    const float d = work02.nk(k + 1) - work02.nk(k);
    const float D = S - (d * d) / M;
    if (D == 0.0f) {  // no test: chisq(k) and P(k) stay 0, no weight changes
      skipped = true;
      continue;
    }
    // A skipped test's power of 0 zeroes the weights of the tests after it, but not the last
    // order's product of powers: the weights then no longer sum to 1.
    if (skipped) work02.weights_unbalanced = true;
    work02.chisq(k) = (d * d) / (D * g);
    if (work02.chisq(k) < kPowerFloor) {
      P(k) = kLevel;
    } else {
      const float lambda = std::max(work02.chisq(k) - 1.0f, 0.0f);
      cpower(kLevel, static_cast<double>(lambda), P(k));
    }
    // w(k): the chance that the sequence of tests first fails to reject at test k.
    w(1) = 1.0f - P(1);
    float rejected_before = 1.0f;
    for (int i = 1; i <= k - 1; ++i) rejected_before = rejected_before * P(i);
    w(k) = (1.0f - P(k)) * rejected_before;
    w(m2 + 1) = w(m2 + 1) * P(k);
  }

  // Step 9: mean and variance of the mixture over the orders in use.
  float navg = 0.0f;
  for (int k = 1; k <= m; ++k) navg = navg + w(k) * work02.nk(k);
  float V = 0.0f;
  for (int k = 1; k <= m; ++k) {
    const float sek = work02.sek(k);
    const float d = work02.nk(k) - navg;
    V = (V + (w(k) * sek) * sek) + (w(k) * d) * d;
  }

  estimate = interp();
  standard_error = std::sqrt(V);
}

}  // namespace kelvaro
