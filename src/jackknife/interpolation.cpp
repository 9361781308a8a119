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

// Sum over the classes of f(j) * (a(kk, j) * a + lower(j) * b), lower being order kk-1's
// coefficient (1 everywhere for order 0).
// Above class kCorrectedClasses every coefficient is 1, so the blended coefficient is one value.
float blend(const CoefficientTable& coef, const CaptureFrequencies& data, int kk, float a,
            float b) {
  const auto blended = [&](std::int32_t jj) {
    return kk >= 2 ? coef(kk, jj) * a + coef(kk - 1, jj) * b : coef(1, jj) * a + b;
  };
  float e = 0.0f;
  const std::int32_t limit = data.classes();
  const std::int32_t corrected = std::min(limit, kCorrectedClasses);
  for (std::int32_t j = 1; j <= corrected; ++j) {
    e = e + static_cast<float>(data.f(j)) * blended(table_column(j));
  }
  const float c = blended(kCorrectedClasses + 1);
  for (std::int32_t j = corrected + 1; j <= limit; ++j) {
    e = e + static_cast<float>(data.f(j)) * c;
  }
  return e;
}

}  // namespace

float interpolated_estimate(const OrderTables& orders, const CoefficientTable& coef,
                            const CaptureFrequencies& data, bool& fell_back) {
  fell_back = false;
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
    const float a = (orders.statistics(kk - 1) - kCritical) /
                    (orders.statistics(kk - 1) - orders.statistics(kk));
    const float b = 1.0f - a;
    const float e = blend(coef, data, kk, a, b);
    fell_back = M > e;  // below the animals seen: ill-conditioned
    return fell_back ? orders.estimates(1) : e;
  }

  // Order 1 against order 0, whose estimate is M.
  const float f1 = static_cast<float>(data.f(1));
  const float G = M + coef(1, 1) * f1;
  const float X0 = (G * f1) / (G - f1);
  if (X0 > kCritical) {
    const float a = (X0 - kCritical) / (X0 - orders.statistics(1));
    const float b = 1.0f - a;
    return blend(coef, data, 1, a, b);
  }
  if (M >= kManyAnimals && f1 / M <= kFewSingletons) return G;
  return orders.estimates(1);
}

}  // namespace kelvaro
