// Exact decimal digits and their rounding. Expected digit strings are the exact binary values
// worked out by hand (m * 5^k for m * 2^-k) and checked against a second big-number tool.
#include "textio/decimal.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace kelvaro::textio {
namespace {

Decimal exact(double v) {
  Decimal d;
  exact_decimal(v, d);
  return d;
}

// "0.ddd x 10^point" back to text that strtod reads ("0.ddde<point>").
std::string as_text(const Decimal& d) {
  return std::string(d.negative ? "-0." : "0.") + std::string(d.view()) + "e" +
         std::to_string(d.point);
}

TEST(ExactDecimal, GivesEveryDigitOfTheStoredValue) {
  struct {
    double v;
    const char* digits;
    int point;
  } cases[] = {
      {0.125, "125", 0},
      {1.0, "1", 1},
      {400.0, "4", 3},
      {123.45f, "1234499969482421875", 3},
      {0.05f, "500000007450580596923828125", -1},
      {45.3f, "45299999237060546875", 2},
      {1.0e8f, "1", 9},
      {99999992.0f, "99999992", 8},
      {0.1f, "100000001490116119384765625", 0},
      {std::numeric_limits<float>::max(), "34028234663852885981170418348451692544", 39},
      {0.1, "1000000000000000055511151231257827021181583404541015625", 0},
      {0.0005, "5000000000000000104083408558608425664715468883514404296875", -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.digits);
    Decimal d = exact(c.v);
    EXPECT_EQ(d.view(), c.digits);
    EXPECT_EQ(d.point, c.point);
    EXPECT_FALSE(d.negative);
  }
}

TEST(ExactDecimal, ZeroNegativeAndDenormals) {
  Decimal z = exact(0.0);
  EXPECT_TRUE(z.is_zero());
  EXPECT_FALSE(z.negative);
  Decimal nz = exact(-0.0);
  EXPECT_TRUE(nz.is_zero());
  EXPECT_TRUE(nz.negative);
  Decimal neg = exact(-2.5);
  EXPECT_EQ(neg.view(), "25");
  EXPECT_EQ(neg.point, 1);
  EXPECT_TRUE(neg.negative);

  // The smallest float denormal, 2^-149.
  Decimal fd = exact(std::numeric_limits<float>::denorm_min());
  EXPECT_EQ(fd.point, -44);
  EXPECT_EQ(fd.view().substr(0, 20), "14012984643248170709");
  EXPECT_EQ(fd.view().substr(fd.view().size() - 10), "2158203125");
  // The smallest double denormal, 2^-1074: 751 significant digits.
  Decimal dd = exact(std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(dd.count, 751);
  EXPECT_EQ(dd.point, -323);
  EXPECT_EQ(dd.view().substr(0, 20), "49406564584124654417");
  EXPECT_EQ(dd.view().substr(dd.view().size() - 10), "3447265625");
  // The largest double has 309 digits before the point.
  Decimal big = exact(std::numeric_limits<double>::max());
  EXPECT_EQ(big.point, 309);
  EXPECT_EQ(big.view().substr(0, 10), "1797693134");
}

TEST(RoundDecimal, DecimalsRoundHalvesAwayFromZeroOnTheExactValue) {
  struct {
    double v;
    int d;
    const char* digits;  // "" for zero
    int point;
  } cases[] = {
      {0.125, 2, "13", 0},     {0.375, 2, "38", 0},  // exact halves go up
      {1.005, 2, "1", 1},                            // stored below the half (1.00499...)
      {2.5, 0, "3", 1},        {0.5, 0, "1", 1},       {0.4, 0, "", 0},
      {123.45f, 1, "1234", 3}, {9.995, 2, "999", 1},   // 9.99499999...
      {99.96f, 1, "1", 3},     {0.0625, 3, "63", -1},  // carry past the first digit
      {0.0004, 3, "", 0},      {0.0005, 3, "1", -2},   // 0.0005 is stored just above
      {0.00004, 3, "", 0},     {1234.0, 2, "1234", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " to " << c.d << " decimals");
    Decimal d = exact(c.v);
    round_decimals(d, c.d);
    EXPECT_EQ(d.view(), c.digits);
    if (!d.is_zero()) {
      EXPECT_EQ(d.point, c.point);
    }
  }
}

TEST(RoundDecimal, SignificantDigitsCarryIntoANewDigit) {
  struct {
    double v;
    int n;
    const char* digits;
    int point;
  } cases[] = {
      {99999992.0f, 8, "99999992", 8}, {999999995.0, 8, "1", 10},  {999999994.0, 8, "99999999", 9},
      {0.05f, 9, "500000007", -1},     {0.05f, 8, "50000001", -1}, {9.96, 2, "1", 2},
      {45.3f, 8, "45299999", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " to " << c.n << " digits");
    Decimal d = exact(c.v);
    round_significant(d, c.n);
    EXPECT_EQ(d.view(), c.digits);
    EXPECT_EQ(d.point, c.point);
  }
  Decimal neg = exact(-0.0004);
  round_decimals(neg, 3);
  EXPECT_TRUE(neg.is_zero());
  EXPECT_TRUE(neg.negative);  // a negative value that rounds to zero keeps its sign
}

// The exact digits read back give the same value; 17 (float: 9) rounded digits read back give
// the same value too (shortest round trip bounds from IEEE 754).
TEST(ExactDecimal, RandomValuesRoundTrip) {
  std::mt19937_64 gen(20261207);
  for (int k = 0; k < 20000; ++k) {
    double v = std::bit_cast<double>(gen());
    if (!std::isfinite(v)) continue;
    Decimal d = exact(v);
    ASSERT_EQ(std::strtod(as_text(d).c_str(), nullptr), v) << as_text(d);
    round_significant(d, 17);
    ASSERT_EQ(std::strtod(as_text(d).c_str(), nullptr), v) << as_text(d);
  }
  for (int k = 0; k < 20000; ++k) {
    float f = std::bit_cast<float>(static_cast<std::uint32_t>(gen()));
    if (!std::isfinite(f)) continue;
    Decimal d = exact(f);
    ASSERT_EQ(std::strtod(as_text(d).c_str(), nullptr), static_cast<double>(f)) << as_text(d);
    round_significant(d, 9);
    ASSERT_EQ(std::strtof(as_text(d).c_str(), nullptr), f) << as_text(d);
  }
}

}  // namespace
}  // namespace kelvaro::textio
