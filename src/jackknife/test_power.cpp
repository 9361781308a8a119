// Power of the chi-square test against a non-central alternative.
#include "jackknife/test_power.h"

#include <cmath>
#include <cstdint>

#include "exactmath/exp.h"
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

// Terms past this many are worked out afresh by every sum that reaches them (lambda below 700
// needs about 450).
constexpr std::int32_t kKeptTerms = 4096;

double fresh_term_probability(std::int32_t i) {
  double p = 0.0;
  std::int32_t status = 0;
  cdtr(kCritical, 2 * i + 1, p, status);
  return i == 0 ? p : static_cast<double>(static_cast<float>(p));
}
}  // namespace

double TestPowerSeries::term_probability(std::int32_t i) {
  if (i < static_cast<std::int32_t>(terms_.size())) return terms_[static_cast<std::size_t>(i)];
  if (i >= kKeptTerms) return fresh_term_probability(i);
  while (static_cast<std::int32_t>(terms_.size()) <= i) {
    terms_.push_back(fresh_term_probability(static_cast<std::int32_t>(terms_.size())));
  }
  return terms_.back();
}

float TestPowerSeries::power(float level, double lambda) {
  float out = 0.0f;
  powers(level, &lambda, 1, &out);
  return out;
}

void TestPowerSeries::powers(float level, const double* lambdas, int count, float* out) {
  // One lane per series: its Poisson term e, their total s, the float sum and the step i.
  double e[kMaxSeries];
  double s[kMaxSeries];
  double half[kMaxSeries];
  float sum[kMaxSeries];
  bool going[kMaxSeries] = {};
  int active = 0;
  for (int k = 0; k < count; ++k) {
    const double lambda = lambdas[k];
    if (level < 0.0f || level > 1.0f || lambda < 0.0) {
      out[k] = -1.0f;
      continue;
    }
    e[k] = 1.0;
    if (lambda > 0.0) {
      if (!(lambda < kCertain)) {
        out[k] = 1.0f;
        continue;
      }
      e[k] = exactmath::exp(-lambda / 2.0);
    }
    half[k] = lambda / 2.0;
    going[k] = true;
    ++active;
  }
  if (active == 0) return;
  double p = term_probability(0);
  for (int k = 0; k < count; ++k) {
    if (!going[k]) continue;
    if (p < kFailed) {
      out[k] = -2.0f;
      going[k] = false;
      continue;
    }
    sum[k] = static_cast<float>(e[k] * p);
    s[k] = e[k];
    if (!(s[k] < kCovered)) {
      out[k] = 1.0f - sum[k];
      going[k] = false;
    }
  }
  double i = 1.0;
  for (std::int32_t term = 1;; ++term) {
    bool any = false;
    for (int k = 0; k < count; ++k) any = any || going[k];
    if (!any) return;
    for (int k = 0; k < count; ++k) {
      if (!going[k]) continue;
      e[k] = (half[k] * e[k]) / i;  // Poisson(i; lambda/2) from Poisson(i-1; lambda/2)
      s[k] = s[k] + e[k];
    }
    i = i + 1.0;
    p = term_probability(term);
    for (int k = 0; k < count; ++k) {
      if (!going[k]) continue;
      if (p < kFailed) {
        out[k] = -2.0f;
        going[k] = false;
        continue;
      }
      sum[k] = sum[k] + static_cast<float>(e[k] * p);
      if (s[k] > kCovered) {
        out[k] = 1.0f - sum[k];
        going[k] = false;
      }
    }
  }
}

}  // namespace kelvaro
