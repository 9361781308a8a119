#include "probability/ndtr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvaro {
namespace {

TEST(Ndtr, KnownValues) {
  struct {
    double z;
    double expected;
    double tolerance;
  } cases[] = {
      {0.0, 0.50000015, 5e-9},  // the approximation's own error shows at 0
      {1.96, 0.9750022, 5e-8}, {-1.96, 1.0 - 0.9750022, 5e-8},
      {40.0, 1.0, 0.0},  // the density is held at its exp(-700) value: q rounds to 1
      {-40.0, 0.0, 1e-300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.z);
    double p = -1.0;
    ndtr(c.z, p);
    EXPECT_NEAR(p, c.expected, c.tolerance);
  }
}

TEST(Ndtr, SymmetricHalves) {
  for (double z : {0.3, 1.0, 2.5, 5.0}) {
    double up = 0.0, down = 0.0;
    ndtr(z, up);
    ndtr(-z, down);
    EXPECT_EQ(down, 1.0 - up) << z;
  }
}

TEST(Ndtr, InfinityIsCertain) {
  double p = 0.0;
  ndtr(std::numeric_limits<double>::infinity(), p);
  EXPECT_EQ(p, 1.0);
}

}  // namespace
}  // namespace kelvaro
