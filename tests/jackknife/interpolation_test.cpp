#include "jackknife/interpolation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "jackknife/block.h"
#include "jackknife/coefficients.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

// A value no rule can produce, to see when N(1) is taken.
constexpr float kN1 = 123.0f;

TEST(Interpolation, ChoosesAndInterpolates) {
  const float a = 1.16f / 3.0f;  // (5.0 - 3.84)/(5.0 - 2.0)
  struct {
    const char* name;
    std::int32_t t;
    std::initializer_list<std::int32_t> f;
    std::initializer_list<float> chisq;
    float expected;
    float tolerance;
    bool fell_back;
  } cases[] = {
      // N(1) = 1.9*12 + 18 = 40.8 and N(2) = 2.7*12 + (26/90)*6 + 12 = 46.1333; kk = 2.
      {"between orders 1 and 2",
       10,
       {12, 6, 4, 3, 2, 1, 1, 0, 1, 0},
       {5.0f, 2.0f},
       a * 46.13333f + (1.0f - a) * 40.8f,
       1e-3f,
       false},
      // a = 0 is pure order 1, not the fallback.
      {"statistic exactly 3.84",
       10,
       {12, 6, 4, 3, 2, 1, 1, 0, 1, 0},
       {3.84f, 1.0f},
       40.8f,
       1e-4f,
       false},
      // Order 2 counts class 2 at 0.2889 each: E = 10(0.2889a + 1 - a) < M = 10.
      {"below the animals seen", 10, {0, 10}, {5.0f, 2.0f}, kN1, 0.0f, true},
      // f(1) = 0: G = M and X0 = 0.
      {"no singletons, many animals", 6, {0, 5, 5, 5, 5, 5}, {}, 25.0f, 0.0f, false},
      {"no singletons, few animals", 6, {0, 5, 5}, {}, kN1, 0.0f, false},
      // G = M + 1.9 f(1) with X0 = G f(1)/(G - f(1)) below 3.84.
      {"M = 20, f(1)/M = 0.1", 10, {2, 18}, {}, 20.0f + 1.9f * 2.0f, 1e-5f, false},
      {"M = 19", 10, {1, 18}, {}, kN1, 0.0f, false},
      {"M = 20, f(1)/M = 0.15", 10, {3, 17}, {}, kN1, 0.0f, false},
      {"M = 40, f(1) = 2", 10, {2, 38}, {}, 43.8f, 1e-5f, false},
      // chisq(1..4) all significant: kk = m = 5, chisq(5) = 0, a = (6 - 3.84)/6 = 0.36.
      // Limiting table: N(4) = 5*2 - 5*1 = 5, N(5) = 6*2 - 9*1 = 3.
      {"no test stops the search",
       31,
       {2, 1},
       {6.0f, 6.0f, 6.0f, 6.0f},
       0.36f * 3.0f + 0.64f * 5.0f,
       1e-5f,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The frequencies and coefficients of t, the statistics as given and N(1) = kN1.
    CaptureFrequencies data;
    data.t = c.t;
    data.t_single = static_cast<float>(c.t);
    data.f.resize(c.t);
    std::int32_t i = 1;
    for (const std::int32_t v : c.f) data.captured += (data.f(i++) = v);
    data.captured_single = static_cast<float>(data.captured);
    CoefficientTable coef;
    fill_coefficients(coef, c.t);
    OrderTables orders;
    int k = 1;
    for (const float s : c.chisq) orders.statistics(k++) = s;
    orders.estimates(1) = kN1;
    bool fell_back = !c.fell_back;
    EXPECT_NEAR(interpolated_estimate(orders, coef, data, fell_back), c.expected, c.tolerance);
    EXPECT_EQ(fell_back, c.fell_back);
  }
}

TEST(Interpolation, WholeEstimates) {
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
    EXPECT_NEAR(estimate_block(c.t, c.x).estimate, c.expected, 0.005f);
  }
}

}  // namespace
}  // namespace kelvaro
