// The estimator's reading of a block: frequencies truncated, species counted, fixed results
// when there is nothing to estimate.
#include <gtest/gtest.h>

#include "jackknife/block.h"
#include "jackknife/estimator.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

TEST(Frequencies, TruncatesAndCounts) {
  const JackknifeResult r = estimate_block(3, {3.0f, 1.0f, 2.9f});
  EXPECT_EQ(r.captured, 6);  // 2.9 -> 2
  // N(1) = a(1,1) f(1) + f(2) + f(3) with a(1,1) = 1 + 2/3.
  EXPECT_NEAR(r.orders.nk(1), 8.0f, 1e-5f);
}

TEST(Frequencies, FixedResultsForNoneOrOneAnimal) {
  struct {
    std::int32_t t;
    float x1, x2;
    float est, se;
  } cases[] = {
      {4, 0.0f, 0.0f, 0.0f, 0.0f},
      {4, 0.0f, 1.0f, 1.0f, 1.0f},
      {1, 1.0f, 0.0f, 1.0f, 1.0f},
      {0, 5.0f, 5.0f, 0.0f, 0.0f},  // no classes: nothing captured
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    const JackknifeResult r = estimate_block(c.t, {c.x1, c.x2});
    EXPECT_EQ(r.estimate, c.est);
    EXPECT_EQ(r.standard_error, c.se);
  }
}

}  // namespace
}  // namespace kelvaro
