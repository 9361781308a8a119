// exp, log and expf against their correctly rounded values: the examples of the headers, special
// values, the thresholds of overflow and underflow, published and constructed hardest-to-round
// cases, then a seeded random sample of the arguments the program uses, each against GNU MPFR.
// Expected values come from MPFR (the table rows are checked against it too).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "exactmath/accurate.h"
#include "exactmath/error_free.h"
#include "exactmath/exp.h"
#include "exactmath/expf.h"
#include "exactmath/log.h"
#include "exactmath/mpfr_reference.h"

namespace kelvaro::exactmath {
namespace {

using testing::reference_exp;
using testing::reference_expf;
using testing::reference_log;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Identical bits, or both NaN.
::testing::AssertionResult same(double got, double want) {
  if (std::bit_cast<std::uint64_t>(got) == std::bit_cast<std::uint64_t>(want) ||
      (std::isnan(got) && std::isnan(want))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << std::hexfloat << got << " instead of " << want;
}

struct Case {
  double x;
  double expected;
  const char* what;
};

TEST(ExactExp, RoundsToNearestEverywhere) {
  const Case cases[] = {
      {0.0, 1.0, "header: exp(0)"},
      {1.0, 0x1.5bf0a8b145769p+1, "header: e"},
      {-745.2, 0.0, "header: underflow"},
      {-745.0, 0x1p-1074, "header: 0.57 of the least subnormal rounds up to it"},
      {709.79, kInf, "header: overflow"},
      {-kInf, 0.0, "header: -inf"},
      {kInf, kInf, "header: +inf"},
      {kNaN, kNaN, "header: NaN"},
      {-0.0, 1.0, "header: -0"},
      {0x1p-1074, 1.0, "subnormal argument"},
      {0x1p-54, 1.0, "largest argument rounding down to 1"},
      {-0x1p-54, 1.0, "1 - 2^-54 + 2^-109: just above the midpoint below 1"},
      {0x1p-53, 0x1.0000000000001p+0, "1 + 2^-53 + 2^-107: just above the midpoint above 1"},
      {-0x1.8p-53, 0x1.fffffffffffffp-1, "51 zeros after the rounding bit"},
      {0x1.9e9cbbfd6080bp-31, 0x1.000000033d398p+0, "published worst case: 57 zeros"},
      {0x1.62e42fefa39efp+9, 0x1.fffffffffff2ap+1023, "largest argument with a finite result"},
      {0x1.62e42fefa39f0p+9, kInf, "least argument overflowing"},
      {-0x1.74910d52d3051p+9, 0x1p-1074, "least argument with a nonzero result"},
      {-0x1.74910d52d3052p+9, 0.0, "largest argument underflowing to zero"},
      {-708.4, 0x1.fe2b68d3dbf12p-1023, "subnormal result"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(same(exp(c.x), c.expected));
    EXPECT_TRUE(same(reference_exp(c.x), c.expected)) << "table entry";
  }
  std::mt19937_64 g(22);
  std::uniform_real_distribution<double> lambda(0.0, 700.0), w(-88.0, 88.0), all(-746.0, 710.0);
  for (int i = 0; i < 20000; ++i) {
    for (double x : {-lambda(g) / 2.0, w(g), all(g)}) {
      ASSERT_TRUE(same(exp(x), reference_exp(x))) << std::hexfloat << x;
    }
  }
}

TEST(ExactLog, RoundsToNearestEverywhere) {
  const Case cases[] = {
      {1.0, 0.0, "header: log(1) = +0"},
      {2.0, 0x1.62e42fefa39efp-1, "header: ln 2"},
      {0x1p-1074, -0x1.74385446d71c3p+9, "header: least subnormal"},
      {0.0, -kInf, "header: +0"},
      {-0.0, -kInf, "header: -0"},
      {kInf, kInf, "header: +inf"},
      {-1.0, kNaN, "header: negative"},
      {-kInf, kNaN, "header: -inf"},
      {kNaN, kNaN, "header: NaN"},
      {0x1.fffffffffffffp+1023, 0x1.62e42fefa39efp+9, "largest double"},
      {0x1p-1022, -0x1.6232bdd7abcd2p+9, "least normal"},
      {0x1.ea71d85cee020p-509, -0x1.60296a66b4300p+8, "published worst case: 60 ones"},
      {0x1.62a88613629b6p+678, 0x1.d6479eba7c971p+8, "published worst case: 64 zeros"},
      {0x1.ffffffffffffep-1, -0x1.0000000000001p-52, "52 ones after the rounding bit"},
      {0x1.0000000000006p+0, 0x1.7fffffffffffcp-50, "46 bits after the rounding bit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(same(log(c.x), c.expected));
    EXPECT_TRUE(same(reference_log(c.x), c.expected)) << "table entry";
  }
  std::mt19937_64 g(22);
  std::uniform_real_distribution<double> h(0.0, 50.0), unit(0.0, 1.0);
  std::uniform_int_distribution<int> binade(-110, 100);
  for (int i = 0; i < 20000; ++i) {
    const double near_one = 1.0 + (unit(g) - 0.5) * 0x1p-9;
    const double sum_over_gamma = std::ldexp(1.0 + unit(g), binade(g));
    const double any = std::bit_cast<double>(g() % 0x7ff0000000000000ULL);
    for (double x : {h(g), near_one, sum_over_gamma, any}) {
      ASSERT_TRUE(same(log(x), reference_log(x))) << std::hexfloat << x;
    }
  }
}

TEST(ExactExpf, RoundsToNearestEverywhere) {
  struct {
    float x;
    float expected;
    const char* what;
  } cases[] = {
      {0.0f, 1.0f, "header: expf(0)"},
      {1.0f, 0x1.5bf0a8p+1f, "header: e"},
      {-103.98f, 0.0f, "header: underflow"},
      {-100.0f, 0x1.bp-145f, "header: subnormal result"},
      {88.73f, HUGE_VALF, "header: overflow"},
      {-HUGE_VALF, 0.0f, "header: -inf"},
      {HUGE_VALF, HUGE_VALF, "header: +inf"},
      {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(),
       "header: NaN"},
      {-0.0f, 1.0f, "header: -0"},
      {0x1p-25f, 1.0f, "largest argument rounding down to 1"},
      {-0x1p-25f, 1.0f, "least argument rounding up to 1"},
      {0x1p-24f, 0x1.000002p+0f, "just above the midpoint above 1"},
      {-0x1p-24f, 0x1.fffffep-1f, "just above the float below 1"},
      {0x1.62e42ep+6f, 0x1.ffff08p+127f, "largest argument with a finite result"},
      {0x1.62e430p+6f, HUGE_VALF, "least argument overflowing"},
      {-0x1.9fe368p+6f, 0x1p-149f, "least argument with a nonzero result"},
      {-0x1.9fe36ap+6f, 0.0f, "largest argument underflowing to zero"},
      {-0x1.5d5p+6f, 0x1.022a2p-126f, "just above the least normal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(same(expf(c.x), c.expected));
    EXPECT_TRUE(same(reference_expf(c.x), c.expected)) << "table entry";
  }
  // A sample of the exhaustive check (exhaustive_expf): the binomial draws' exp(-m), m to 104,
  // and arguments over the whole non-trivial range.
  std::mt19937_64 g(22);
  std::uniform_real_distribution<float> m(0.0f, 104.0f), all(-104.0f, 89.0f);
  for (int i = 0; i < 50000; ++i) {
    for (float x : {-m(g), all(g)}) {
      ASSERT_TRUE(same(expf(x), reference_expf(x))) << std::hexfloat << x;
    }
  }
}

TEST(ExactAccurate, TakesMoreBitsWhenFewDoNotDecide) {
  // log(1 - 2^-52) has 52 ones after its rounding bit: 128 bits of fixed-point fraction (76
  // significant bits of a result near 2^-52) cannot decide it, the default attempts do.
  const double x = 0x1.ffffffffffffep-1;
  EXPECT_FALSE(log_with_words(x, 4).has_value());
  EXPECT_TRUE(same(accurate_log(x), -0x1.0000000000001p-52));
  // The published exp case needs about 112 bits: decided with 128 already.
  const auto e = exp_with_words(0x1.9e9cbbfd6080bp-31, kDouble, 4);
  ASSERT_TRUE(e.has_value());
  EXPECT_TRUE(same(*e, 0x1.000000033d398p+0));
}

TEST(ErrorFree, ProductErrorIsExact) {
  // Dekker's product fails if the compiler fuses a multiply and an add: pin it down.
  const struct {
    double a, b, hi, lo;
  } cases[] = {
      {1.0 + 0x1p-52, 1.0 + 0x1p-52, 1.0 + 0x1p-51, 0x1p-104},
      {0x1.fffffffffffffp-1, 0x1.fffffffffffffp-1, 0x1.ffffffffffffep-1, 0x1p-106},
      {3.0, 1.0 / 3.0, 1.0, -0x1p-54},
  };
  for (const auto& c : cases) {
    const DoubleSum p = two_prod(c.a, c.b);
    EXPECT_TRUE(same(p.hi, c.hi));
    EXPECT_TRUE(same(p.lo, c.lo));
  }
}

}  // namespace
}  // namespace kelvaro::exactmath
