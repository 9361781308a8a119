#include "numeric/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numeric/one_based.h"

namespace kelvaro {
namespace {

TEST(Conversions, TruncToIntTowardZeroOrInvalid) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct {
    float v;
    std::int32_t expected;
  } cases[] = {
      {2.9f, 2},
      {-2.9f, -2},
      {-0.0f, 0},
      {2147483520.0f, 2147483520},    // largest float below 2^31
      {2147483648.0f, kInvalidInt},   // 2^31 does not fit
      {-2147483648.0f, INT32_MIN},    // -2^31 fits exactly
      {-2147483904.0f, kInvalidInt},  // next float below -2^31
      {inf, kInvalidInt},
      {-inf, kInvalidInt},
      {nan, kInvalidInt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(trunc_to_int(c.v), c.expected);
    EXPECT_EQ(fits_int(c.v), c.expected != kInvalidInt || c.v == -2147483648.0f);
  }
}

TEST(Conversions, TruncDoubleEdges) {
  EXPECT_EQ(trunc_to_int(-2147483648.9), INT32_MIN);
  EXPECT_EQ(trunc_to_int(2147483647.9), INT32_MAX);
  EXPECT_EQ(trunc_to_int(2147483648.0), kInvalidInt);
  EXPECT_EQ(trunc_to_int(std::nan("")), kInvalidInt);
  // 64 bits: 2^63 - 1024 is the largest double below 2^63.
  EXPECT_EQ(trunc_to_int64(9223372036854774784.0), INT64_C(9223372036854774784));
  EXPECT_EQ(trunc_to_int64(9223372036854775808.0), INT64_MIN);
  EXPECT_EQ(trunc_to_int64(-9223372036854775808.0), INT64_MIN);
  EXPECT_EQ(trunc_to_int64(-2.9), -2);
  EXPECT_EQ(trunc_to_int64(std::nan("")), INT64_MIN);
}

TEST(Conversions, WrappingArithmetic) {
  EXPECT_EQ(wrap_add(INT32_MAX, 1), INT32_MIN);
  EXPECT_EQ(wrap_sub(INT32_MIN, 1), INT32_MAX);
  EXPECT_EQ(wrap_mul(65536, 65536), 0);
  EXPECT_EQ(wrap_mul(-3, 7), -21);
  EXPECT_EQ(wrap_abs(INT32_MIN), INT32_MIN);
  EXPECT_EQ(wrap_abs(-5), 5);
}

TEST(OneBased, ColumnMajorLayout) {
  Array2<float, 5, 3> coef{};
  coef(2, 1) = 4.0f;
  coef(1, 2) = 5.0f;
  EXPECT_EQ(coef.v[1], 4.0f);  // (2,1): first index varies fastest
  EXPECT_EQ(coef.v[5], 5.0f);  // (1,2): one column of 5 further
  EXPECT_EQ(coef.column(2), &coef(1, 2));
}

}  // namespace
}  // namespace kelvaro
