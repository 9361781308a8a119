// Interpolated jackknife estimate.
#include "jack/interp.h"

#include <algorithm>
#include <cstdint>

#include "shared/numeric.h"
#include "shared/storage.h"

namespace kelvaro {

namespace {
// 5 percent point of chi-square with 1 d.f., as the order selection has always used it.
constexpr float kCritical = 3.84f;
// With at least this many animals seen and at most this share of them seen once, most of the
// population is taken to have been seen.
constexpr float kManyAnimals = 20.0f;
constexpr float kFewSingletons = 0.1f;
// Classes above 31 share the coefficients of class 31.
constexpr std::int32_t kLastTableClass = 31;

float class_count(std::int32_t j) { return static_cast<float>(minsuf.f(j)); }

// Classes to sum over: t, but never beyond the 100 classes of f.
std::int32_t class_limit() { return std::min(minsuf.ntrap, std::int32_t{100}); }

// Sum over the classes of f(j) * (a(kk, j) * a + lower(j) * b), lower being order kk-1's
// coefficient (1 everywhere for order 0).
float blend(int kk, float a, float b) {
  float e = 0.0f;
  for (std::int32_t j = 1; j <= class_limit(); ++j) {
    const std::int32_t jj = std::min(j, kLastTableClass);
    const float c = kk >= 2 ? work02.coef(kk, jj) * a + work02.coef(kk - 1, jj) * b
                            : work02.coef(1, jj) * a + b;
    e = e + class_count(j) * c;
  }
  return e;
}

}  // namespace

float interp() {
  const std::int32_t m = trunc_to_int(std::min(5.0f, minsuf.treal));
  std::int32_t kk = m;
  for (std::int32_t k = 1; k <= m; ++k) {
    if (work02.chisq(k) < kCritical) {
      kk = k;
      break;
    }
  }
  const float M = minsuf.mreal;

  if (kk >= 2) {
    const float a = (work02.chisq(kk - 1) - kCritical) / (work02.chisq(kk - 1) - work02.chisq(kk));
    const float b = 1.0f - a;
    const float e = blend(kk, a, b);
    work02.fell_back = M > e;  // below the animals seen: ill-conditioned
    return work02.fell_back ? work02.nk(1) : e;
  }

  // Order 1 against order 0, whose estimate is M.
  const float f1 = class_count(1);
  const float G = M + work02.coef(1, 1) * f1;
  const float X0 = (G * f1) / (G - f1);
  if (X0 > kCritical) {
    const float a = (X0 - kCritical) / (X0 - work02.chisq(1));
    const float b = 1.0f - a;
    return blend(1, a, b);
  }
  if (M >= kManyAnimals && f1 / M <= kFewSingletons) return G;
  return work02.nk(1);
}

}  // namespace kelvaro
