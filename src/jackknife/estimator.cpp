// Jackknife estimates of orders 1..5, the tests between successive orders and the mixture
// standard error.
#include "jackknife/estimator.h"

#include <algorithm>
#include <cmath>

#include "jackknife/interpolation.h"
#include "jackknife/observed_total.h"
#include "numeric/conversions.h"

namespace kelvaro {

namespace {

constexpr int kOrders = 5;
// Below this statistic a test is taken to have power exactly the level.
constexpr float kPowerFloor = 1.0f;
// Level of every test: 5 percent.
constexpr float kLevel = 0.05f;

// The frequencies as integers and the number of animals captured. Classes 1..t are all written,
// so a smaller t than last time leaves no old frequencies behind.
void prepare(CaptureFrequencies& d, const float* x, std::int32_t t) {
  d.t = t;
  d.t_single = static_cast<float>(t);
  d.f.resize(std::max(t, std::int32_t{0}));
  const std::int32_t top = d.classes();
  for (std::int32_t i = 1; i <= top; ++i) d.f(i) = trunc_to_int(x[i - 1]);
  d.captured = captured_wrapping(x, top);
  d.captured_single = static_cast<float>(d.captured);
}

// The ten sums behind N(k) and SE(k): sums[k - 1] = N(k) = sum of a(k,j) f(j), sums[5 + k - 1] =
// sum of a(k,j)^2 f(j). They are independent of each other, so they run side by side over the
// classes; each is still formed in class order. corrected_sums forms them over classes
// 1..kCorrectedClasses; above those every coefficient is 1, so a(k,j) f(j) and a(k,j)^2 f(j) are
// f(j) itself and the later classes add f(j) to all ten (add_uncorrected, or four replicates' sums
// side by side in estimate_group).
constexpr int kSums = 2 * kOrders;
using Float4 = float __attribute__((vector_size(16)));

void corrected_sums(const CoefficientTable& coef, const CaptureFrequencies& d,
                    float (&sums)[kSums]) {
  for (float& s : sums) s = 0.0f;
  const std::int32_t corrected = std::min(d.classes(), kCorrectedClasses);
  for (std::int32_t j = 1; j <= corrected; ++j) {
    const float fj = static_cast<float>(d.f(j));
    const float* a = &coef(1, table_column(j));  // a(1..5, j), stored together
    for (int k = 0; k < kOrders; ++k) {
      sums[k] = sums[k] + a[k] * fj;
      sums[kOrders + k] = sums[kOrders + k] + (a[k] * a[k]) * fj;
    }
  }
}

void add_uncorrected(const CaptureFrequencies& d, float (&sums)[kSums]) {
  const std::int32_t t = d.classes();
  if (t <= kCorrectedClasses) return;
  // Four sums to a vector: each lane's sum is its own, added in class order.
  Float4 v[3];
  float* lanes = reinterpret_cast<float*>(v);
  std::copy(sums, sums + kSums, lanes);
  lanes[10] = lanes[11] = 0.0f;
  for (std::int32_t j = kCorrectedClasses + 1; j <= t; ++j) {
    const float fj = static_cast<float>(d.f(j));
    v[0] = v[0] + fj;
    v[1] = v[1] + fj;
    v[2] = v[2] + fj;
  }
  std::copy(lanes, lanes + kSums, sums);
}

// N(k) and SE(k) for all five orders from their sums; no test made yet.
void set_orders(OrderTables& o, const float (&sums)[kSums]) {
  for (int k = 1; k <= kOrders; ++k) {
    o.statistics(k) = 0.0f;
    o.estimates(k) = sums[k - 1];
    // Variance of N(k): sum of a(k,j)^2 f(j) less N(k), floored at 0.
    o.errors(k) = std::sqrt(std::max(sums[kOrders + k - 1] - sums[k - 1], 0.0f));
  }
}

// S(k) for the tests of order k + 1 against order k, k = 1..4, side by side (each in class order).
// Above class kCorrectedClasses successive orders' coefficients are both 1: those classes add
// 0 * f(j), a zero, to sums that start at +0 and are never -0, so they change nothing and are not
// read.
void test_sums(const CoefficientTable& coef, const CaptureFrequencies& d, float (&s)[kOrders - 1]) {
  for (float& v : s) v = 0.0f;
  const std::int32_t t = std::min(d.classes(), kCorrectedClasses);
  for (std::int32_t j = 1; j <= t; ++j) {
    const float fj = static_cast<float>(d.f(j));
    const float* a = &coef(1, table_column(j));
    for (int k = 0; k < kOrders - 1; ++k) {
      const float dc = a[k + 1] - a[k];
      s[k] = s[k] + (dc * dc) * fj;
    }
  }
}

// The tests' statistics, which depend on the data alone: made[k - 1] when test k was made.
void set_tests(const CoefficientTable& coef, const CaptureFrequencies& d, OrderTables& o,
               bool (&made)[kOrders]) {
  const std::int32_t m2 = trunc_to_int(std::min(4.0f, d.t_single - 1.0f));
  const float M = d.captured_single;
  const float g = M / (M - 1.0f);
  float S[kOrders - 1];
  test_sums(coef, d, S);
  for (int k = 1; k <= m2; ++k) {
    const float dn = o.estimates(k + 1) - o.estimates(k);
    const float D = S[k - 1] - (dn * dn) / M;
    if (D == 0.0f) continue;  // no test: chisq(k) and P(k) stay 0, no weight changes
    made[k - 1] = true;
    o.statistics(k) = (dn * dn) / (D * g);
  }
}

}  // namespace

const CoefficientTable& JackknifeEstimator::coefficients(std::int32_t t) {
  // The table depends on t alone.
  if (coef_t_ != t) {
    fill_coefficients(coef_, t);
    coef_t_ = t;
  }
  return coef_;
}

bool JackknifeEstimator::orders_and_tests(const float* x, std::int32_t t, OrderTables& o,
                                          bool (&made)[kOrders], JackknifeResult& r) {
  CaptureFrequencies& d = data_;
  prepare(d, x, t);
  const CoefficientTable& coef = coefficients(t);
  r.captured = d.captured;
  if (d.captured == 0) return false;
  if (d.captured == 1) {
    r.estimate = 1.0f;
    r.standard_error = 1.0f;
    return false;
  }
  float sums[kSums];
  corrected_sums(coef, d, sums);
  add_uncorrected(d, sums);
  set_orders(o, sums);
  set_tests(coef, d, o, made);
  return true;
}

float JackknifeEstimator::estimate_only(const float* x, std::int32_t t) {
  JackknifeResult r;
  bool made[kOrders] = {};
  if (!orders_and_tests(x, t, r.orders, made, r)) return r.estimate;
  return interpolated_estimate(r.orders, coef_, data_, r.fell_back);
}

void JackknifeEstimator::estimate_replicates(const float* rows, std::size_t stride,
                                             std::int32_t count, std::int32_t t, float* estimates) {
  constexpr std::int32_t kGroup = 4;
  std::int32_t r = 0;
  // A group pays for gathering its replicates' frequencies into lanes; a handful of classes
  // beyond the fifth does not repay it.
  if (t >= kCorrectedClasses + 8) {
    for (; r + kGroup <= count; r += kGroup) {
      estimate_group(rows + static_cast<std::size_t>(r) * stride, stride, t, estimates + r);
    }
  }
  for (; r < count; ++r)
    estimates[r] = estimate_only(rows + static_cast<std::size_t>(r) * stride, t);
}

void JackknifeEstimator::estimate_group(const float* rows, std::size_t stride, std::int32_t t,
                                        float* estimates) {
  constexpr int kGroup = 4;
  const CoefficientTable& coef = coefficients(t);
  OrderTables orders[kGroup];
  bool made[kGroup][kOrders] = {};
  bool estimated[kGroup];  // at least two species seen: the orders and the interpolation
  float sums[kGroup][kSums];
  for (int g = 0; g < kGroup; ++g) {
    CaptureFrequencies& d = group_[static_cast<std::size_t>(g)];
    prepare(d, rows + static_cast<std::size_t>(g) * stride, t);
    estimated[g] = d.captured != 0 && d.captured != 1;
    estimates[g] = d.captured == 1 ? 1.0f : 0.0f;
    corrected_sums(coef, d, sums[g]);
  }
  // The frequencies of class j, one replicate to a lane.
  const auto lanes_of_class = [&](std::int32_t j) {
    return Float4{static_cast<float>(group_[0].f(j)), static_cast<float>(group_[1].f(j)),
                  static_cast<float>(group_[2].f(j)), static_cast<float>(group_[3].f(j))};
  };
  Float4 v[kSums];
  for (int i = 0; i < kSums; ++i) v[i] = Float4{sums[0][i], sums[1][i], sums[2][i], sums[3][i]};
  for (std::int32_t j = kCorrectedClasses + 1; j <= t; ++j) {
    const Float4 fj = lanes_of_class(j);
    for (Float4& sum : v) sum = sum + fj;
  }
  InterpolationPlan plans[kGroup];
  float blended[kGroup];
  float coefficient[kGroup];
  for (int g = 0; g < kGroup; ++g) {
    for (int i = 0; i < kSums; ++i) sums[g][i] = v[i][g];
    const CaptureFrequencies& d = group_[static_cast<std::size_t>(g)];
    blended[g] = 0.0f;
    coefficient[g] = 0.0f;
    if (!estimated[g]) continue;
    set_orders(orders[g], sums[g]);
    set_tests(coef, d, orders[g], made[g]);
    plans[g] = plan_interpolation(orders[g], coef, d);
    if (plans[g].blends) {
      blended[g] = blend_corrected(coef, d, plans[g]);
      coefficient[g] = blend_coefficient(coef, plans[g], kCorrectedClasses + 1);
    }
  }
  // The blends' later classes, side by side (a lane that does not blend is not read).
  Float4 e{blended[0], blended[1], blended[2], blended[3]};
  const Float4 c{coefficient[0], coefficient[1], coefficient[2], coefficient[3]};
  for (std::int32_t j = kCorrectedClasses + 1; j <= t; ++j) e = e + lanes_of_class(j) * c;
  for (int g = 0; g < kGroup; ++g) {
    if (!estimated[g]) continue;
    bool fell_back = false;
    estimates[g] = finish_interpolation(plans[g], e[g], orders[g],
                                        group_[static_cast<std::size_t>(g)], fell_back);
  }
}

JackknifeResult JackknifeEstimator::estimate(const float* x, std::int32_t t) {
  JackknifeResult r;
  OrderTables& o = r.orders;
  bool made[kOrders] = {};
  if (!orders_and_tests(x, t, o, made, r)) return r;
  const CaptureFrequencies& d = data_;

  // Both minima in real arithmetic, then truncated.
  const std::int32_t m = trunc_to_int(std::min(5.0f, d.t_single));
  const std::int32_t m2 = trunc_to_int(std::min(4.0f, d.t_single - 1.0f));
  Array1<float, kOrders>& w = r.weight;
  Array1<float, kOrders>& P = r.power;
  w(m2 + 1) = 1.0f;

  // The powers of the tests that need the series are worked out side by side; the weights then
  // follow in order.
  double lambdas[kOrders - 1];
  int needs_series[kOrders - 1];
  int series = 0;
  for (int k = 1; k <= m2; ++k) {
    if (!made[k - 1]) continue;
    if (o.statistics(k) < kPowerFloor) {
      P(k) = kLevel;
    } else {
      lambdas[series] = static_cast<double>(std::max(o.statistics(k) - 1.0f, 0.0f));
      needs_series[series++] = k;
    }
  }
  float powers[kOrders - 1];
  power_.powers(kLevel, lambdas, series, powers);
  for (int i = 0; i < series; ++i) P(needs_series[i]) = powers[i];

  bool skipped = false;  // a test before this one was skipped
  for (int k = 1; k <= m2; ++k) {
    if (!made[k - 1]) {
      skipped = true;
      continue;
    }
    // A skipped test's power of 0 zeroes the weights of the tests after it, but not the last
    // order's product of powers: the weights then no longer sum to 1.
    if (skipped) r.weights_unbalanced = true;
    // w(k): the chance that the sequence of tests first fails to reject at test k.
    w(1) = 1.0f - P(1);
    float rejected_before = 1.0f;
    for (int i = 1; i <= k - 1; ++i) rejected_before = rejected_before * P(i);
    w(k) = (1.0f - P(k)) * rejected_before;
    w(m2 + 1) = w(m2 + 1) * P(k);
  }

  // Mean and variance of the mixture over the orders in use.
  float navg = 0.0f;
  for (int k = 1; k <= m; ++k) navg = navg + w(k) * o.estimates(k);
  float V = 0.0f;
  for (int k = 1; k <= m; ++k) {
    const float error = o.errors(k);
    const float dev = o.estimates(k) - navg;
    V = (V + (w(k) * error) * error) + (w(k) * dev) * dev;
  }

  r.estimate = interpolated_estimate(o, coef_, d, r.fell_back);
  r.standard_error = std::sqrt(V);
  return r;
}

}  // namespace kelvaro
