#include "jack/readj.h"

#include <gtest/gtest.h>

#include "jack/block.h"
#include "shared/storage.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

TEST(Readj, TruncatesAndCounts) {
  estimate_block(3, {3.0f, 1.0f, 2.9f});
  EXPECT_EQ(minsuf.f(1), 3);
  EXPECT_EQ(minsuf.f(2), 1);
  EXPECT_EQ(minsuf.f(3), 2);  // 2.9 -> 2
  EXPECT_EQ(minsuf.M(4), 6);
  EXPECT_EQ(minsuf.mreal, 6.0f);
  EXPECT_EQ(minsuf.ntrap, 3);
  EXPECT_EQ(minsuf.treal, 3.0f);
}

TEST(Readj, SmallerBlockLeavesNoOldFrequencies) {
  estimate_block(100, {});
  for (int i = 1; i <= 100; ++i) work01.x(i) = 1.0f;
  readj();
  ASSERT_EQ(minsuf.M(101), 100);
  work01.t = 3;  // x(4..100) still hold 1.0
  readj();
  EXPECT_EQ(minsuf.M(4), 3);
  EXPECT_EQ(minsuf.M(101), 0);
  for (int i = 4; i <= 100; ++i) EXPECT_EQ(minsuf.f(i), 0) << i;
}

TEST(Readj, FixedResultsForNoneOrOneAnimal) {
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
    estimate_block(c.t, {c.x1, c.x2});
    EXPECT_EQ(work01.est, c.est);
    EXPECT_EQ(work01.se, c.se);
  }
}

}  // namespace
}  // namespace kelvaro
