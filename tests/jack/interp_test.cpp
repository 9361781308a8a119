#include "jack/interp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "jack/block.h"
#include "jack/coeff.h"
#include "shared/storage.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

// A value no rule can produce, to see when N(1) is taken.
constexpr float kN1 = 123.0f;

// minsuf and coef for f(1..t); chisq as given, nk(1) = kN1.
void prepare(std::int32_t t, std::initializer_list<std::int32_t> f,
             std::initializer_list<float> chisq) {
  reset_storage();
  minsuf.ntrap = t;
  minsuf.treal = static_cast<float>(t);
  std::int32_t i = 1, m = 0;
  for (const std::int32_t v : f) m += (minsuf.f(i++) = v);
  minsuf.mreal = static_cast<float>(m);
  coeff();
  int k = 1;
  for (const float c : chisq) work02.chisq(k++) = c;
  work02.nk(1) = kN1;
}

TEST(Interp, ChoosesAndInterpolates) {
  const float a = 1.16f / 3.0f;  // (5.0 - 3.84)/(5.0 - 2.0)
  struct {
    const char* name;
    std::int32_t t;
    std::initializer_list<std::int32_t> f;
    std::initializer_list<float> chisq;
    float expected;
    float tolerance;
  } cases[] = {
      // N(1) = 1.9*12 + 18 = 40.8 and N(2) = 2.7*12 + (26/90)*6 + 12 = 46.1333; kk = 2.
      {"between orders 1 and 2", 10, {12, 6, 4, 3, 2, 1, 1, 0, 1, 0}, {5.0f, 2.0f},
       a * 46.13333f + (1.0f - a) * 40.8f, 1e-3f},
      // a = 0 is pure order 1, not the fallback.
      {"statistic exactly 3.84", 10, {12, 6, 4, 3, 2, 1, 1, 0, 1, 0}, {3.84f, 1.0f}, 40.8f, 1e-4f},
      // Order 2 counts class 2 at 0.2889 each: E = 10(0.2889a + 1 - a) < M = 10.
      {"below the animals seen", 10, {0, 10}, {5.0f, 2.0f}, kN1, 0.0f},
      // f(1) = 0: G = M and X0 = 0.
      {"no singletons, many animals", 6, {0, 5, 5, 5, 5, 5}, {}, 25.0f, 0.0f},
      {"no singletons, few animals", 6, {0, 5, 5}, {}, kN1, 0.0f},
      // G = M + 1.9 f(1) with X0 = G f(1)/(G - f(1)) below 3.84.
      {"M = 20, f(1)/M = 0.1", 10, {2, 18}, {}, 20.0f + 1.9f * 2.0f, 1e-5f},
      {"M = 19", 10, {1, 18}, {}, kN1, 0.0f},
      {"M = 20, f(1)/M = 0.15", 10, {3, 17}, {}, kN1, 0.0f},
      {"M = 40, f(1) = 2", 10, {2, 38}, {}, 43.8f, 1e-5f},
      // chisq(1..4) all significant: kk = m = 5, chisq(5) = 0, a = (6 - 3.84)/6 = 0.36.
      // Limiting table: N(4) = 5*2 - 5*1 = 5, N(5) = 6*2 - 9*1 = 3.
      {"no test stops the search", 31, {2, 1}, {6.0f, 6.0f, 6.0f, 6.0f},
       0.36f * 3.0f + 0.64f * 5.0f, 1e-5f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prepare(c.t, c.f, c.chisq);
    EXPECT_NEAR(interp(), c.expected, c.tolerance);
  }
}

TEST(Interp, WholeEstimates) {
  struct {
    std::int32_t t;
    std::initializer_list<float> x;
    float expected;
  } cases[] = {
      {10, {12, 6, 4, 3, 2, 1, 1, 0, 1, 0}, 39.93f},
      {6, {2, 3, 5, 6, 4, 5}, 28.67f},  // M + (11/6) f(1)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    estimate_block(c.t, c.x);
    EXPECT_NEAR(work01.est, c.expected, 0.005f);
  }
}

}  // namespace
}  // namespace kelvaro
