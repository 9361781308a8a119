#include "jackknife/coefficients.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kelvaro {
namespace {

// The table of t, filled over a table full of a mark no formula gives, so that an entry
// fill_coefficients leaves alone shows.
CoefficientTable build(std::int32_t t) {
  CoefficientTable coef;
  for (float& v : coef.v) v = 42.0f;
  fill_coefficients(coef, t);
  return coef;
}

TEST(Coefficients, SelectedCoefficients) {
  // Expected values by hand, with the single-precision roundings spelt out where they matter.
  struct {
    std::int32_t t;
    int k, j;
    float expected;
  } cases[] = {
      {0, 1, 1, 1.0f},  // t below 1: ones
      {1, 1, 1, 1.0f},  // 1 + 0/1
      {1, 2, 1, 1.0f},  // orders above t stay 1
      {2, 1, 1, 1.5f},
      {2, 2, 1, 1.5f},
      {2, 2, 2, 1.0f},  // 1 - 0^2/2
      {2, 3, 1, 1.0f},
      {4, 5, 1, 1.0f},
      {4, 4, 1, 1.0f + 6.0f / 4.0f},  // (4T - 10)/T
      {4, 4, 4, 1.0f},                // 1 - 0^4/24
      {5, 1, 1, 1.0f + 4.0f / 5.0f},
      {5, 3, 2, 1.0f - 19.0f / 20.0f},  // 3*25 - 15*5 + 19 = 19 over D2 = 20
      {5, 3, 3, 1.0f + 8.0f / 60.0f},   // 2^3 / (5*4*3)
      {5, 4, 4, 1.0f - 1.0f / 120.0f},
      {5, 5, 4, 1.0f - 1.0f / 120.0f},  // (1^5 - 0^5)/120
      {5, 5, 5, 1.0f},
      {10, 5, 5, 1.0f + 3125.0f / 30240.0f},
      {30, 1, 1, 1.0f + 29.0f / 30.0f},
      {31, 1, 1, 2.0f},  // limiting table, not 1 + 30/31
      {31, 2, 2, 0.0f},
      {31, 5, 2, -9.0f},
      {31, 5, 3, 11.0f},
      {31, 5, 4, -4.0f},
      {31, 5, 5, 2.0f},
      {31, 4, 4, 0.0f},
      {32, 1, 1, 1.96875f},  // 1 + 31/32, exact
      {32, 2, 2, 1.0f - 900.0f / 992.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "t=" << c.t << " a(" << c.k << "," << c.j << ")");
    EXPECT_EQ(build(c.t)(c.k, c.j), c.expected);
  }
}

TEST(Coefficients, ClassesAboveOrderHoldOne) {
  // The table holds classes 1..31; classes above 31 read class 31's.
  for (const std::int32_t t : {0, 1, 5, 31, 100, 1000}) {
    SCOPED_TRACE(t);
    const CoefficientTable coef = build(t);
    for (int k = 1; k <= 5; ++k) {
      for (int j = k + 1; j <= CoefficientTable::cols(); ++j) {
        ASSERT_EQ(coef(k, j), 1.0f) << k << "," << j;
      }
    }
  }
}

}  // namespace
}  // namespace kelvaro
