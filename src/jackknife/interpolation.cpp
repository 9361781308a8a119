// Interpolated jackknife estimate.
#include "jackknife/interpolation.h"

#include <algorithm>
#include <cstdint>

#include "numeric/conversions.h"

namespace kelvaro {

namespace {
// The 5 percent point of chi-square with 1 d.f., rounded to 3.84: the level of the order selection.
constexpr float kCritical = 3.84f;
// With at least this many animals seen and at most this share of them seen once, most of the
// population is taken to have been seen.
constexpr float kManyAnimals = 20.0f;
constexpr float kFewSingletons = 0.1f;

}  // namespace

InterpolationPlan plan_interpolation(const OrderTables& orders, const CoefficientTable& coef,
                                     const CaptureFrequencies& data) {
  InterpolationPlan plan;
  const std::int32_t m = trunc_to_int(std::min(5.0f, data.t_single));
  std::int32_t kk = m;
  for (std::int32_t k = 1; k <= m; ++k) {
    if (orders.statistics(k) < kCritical) {
      kk = k;
      break;
    }
  }
  const float M = data.captured_single;

  if (kk >= 2) {
    plan.blends = true;
    plan.order = kk;
    plan.a = (orders.statistics(kk - 1) - kCritical) /
             (orders.statistics(kk - 1) - orders.statistics(kk));
    plan.b = 1.0f - plan.a;
    return plan;
  }

  // Order 1 against order 0, whose estimate is M.
  const float f1 = static_cast<float>(data.f(1));
  const float G = M + coef(1, 1) * f1;
  const float X0 = (G * f1) / (G - f1);
  if (X0 > kCritical) {
    plan.blends = true;
    plan.order = 1;
    plan.a = (X0 - kCritical) / (X0 - orders.statistics(1));
    plan.b = 1.0f - plan.a;
    return plan;
  }
  plan.value = M >= kManyAnimals && f1 / M <= kFewSingletons ? G : orders.estimates(1);
  return plan;
}

float blend_coefficient(const CoefficientTable& coef, const InterpolationPlan& plan,
                        std::int32_t column) {
  const int kk = plan.order;
  return kk >= 2 ? coef(kk, column) * plan.a + coef(kk - 1, column) * plan.b
                 : coef(1, column) * plan.a + plan.b;
}

float blend_corrected(const CoefficientTable& coef, const CaptureFrequencies& data,
                      const InterpolationPlan& plan) {
  float e = 0.0f;
  const std::int32_t corrected = std::min(data.classes(), kCorrectedClasses);
  for (std::int32_t j = 1; j <= corrected; ++j) {
    e = e + static_cast<float>(data.f(j)) * blend_coefficient(coef, plan, table_column(j));
  }
  return e;
}

float finish_interpolation(const InterpolationPlan& plan, float blended, const OrderTables& orders,
                           const CaptureFrequencies& data, bool& fell_back) {
  fell_back = false;
  if (!plan.blends) return plan.value;
  if (plan.order < 2) return blended;
  fell_back = data.captured_single > blended;  // below the animals seen: ill-conditioned
  return fell_back ? orders.estimates(1) : blended;
}

float interpolated_estimate(const OrderTables& orders, const CoefficientTable& coef,
                            const CaptureFrequencies& data, bool& fell_back) {
  const InterpolationPlan plan = plan_interpolation(orders, coef, data);
  float e = 0.0f;
  if (plan.blends) {
    e = blend_corrected(coef, data, plan);
    const float c = blend_coefficient(coef, plan, kCorrectedClasses + 1);
    for (std::int32_t j = kCorrectedClasses + 1; j <= data.classes(); ++j) {
      e = e + static_cast<float>(data.f(j)) * c;
    }
  }
  return finish_interpolation(plan, e, orders, data, fell_back);
}

}  // namespace kelvaro
