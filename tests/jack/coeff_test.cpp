#include "jack/coeff.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "shared/storage.h"

namespace kelvaro {
namespace {

void build(std::int32_t t) {
  reset_storage();
  minsuf.ntrap = t;
  minsuf.treal = static_cast<float>(t);
  coeff();
}

TEST(Coeff, SelectedCoefficients) {
  // Expected values by hand, with the single-precision roundings spelt out where they matter.
  struct {
    std::int32_t t;
    int k, j;
    float expected;
  } cases[] = {
      {1, 1, 1, 1.0f},                     // 1 + 0/1
      {1, 2, 1, 1.0f},                     // orders above t stay 1
      {2, 1, 1, 1.5f},
      {2, 2, 1, 1.5f},
      {2, 2, 2, 1.0f},                     // 1 - 0^2/2
      {2, 3, 1, 1.0f},
      {4, 5, 1, 1.0f},
      {4, 4, 4, 1.0f},                     // 1 - 0^4/24
      {5, 1, 1, 1.0f + 4.0f / 5.0f},
      {5, 3, 2, 1.0f - 19.0f / 20.0f},     // 3*25 - 15*5 + 19 = 19 over D2 = 20
      {5, 3, 3, 1.0f + 8.0f / 60.0f},      // 2^3 / (5*4*3)
      {5, 4, 4, 1.0f - 1.0f / 120.0f},
      {5, 5, 4, 1.0f - 1.0f / 120.0f},     // (1^5 - 0^5)/120
      {5, 5, 5, 1.0f},
      {10, 5, 5, 1.0f + 3125.0f / 30240.0f},
      {30, 1, 1, 1.0f + 29.0f / 30.0f},
      {31, 1, 1, 2.0f},                    // limiting table, not 1 + 30/31
      {31, 2, 2, 0.0f},
      {31, 5, 2, -9.0f},
      {31, 5, 3, 11.0f},
      {31, 5, 4, -4.0f},
      {31, 5, 5, 2.0f},
      {31, 4, 4, 0.0f},
      {32, 1, 1, 1.96875f},                // 1 + 31/32, exact
      {32, 2, 2, 1.0f - 900.0f / 992.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "t=" << c.t << " a(" << c.k << "," << c.j << ")");
    build(c.t);
    EXPECT_EQ(work02.coef(c.k, c.j), c.expected);
  }
}

TEST(Coeff, ClassesAboveOrderHoldOne) {
  for (const std::int32_t t : {1, 5, 31, 100}) {
    SCOPED_TRACE(t);
    build(t);
    for (int k = 1; k <= 5; ++k) {
      for (int j = k + 1; j <= 101; ++j) {
        ASSERT_EQ(work02.coef(k, j), 1.0f) << k << "," << j;
      }
    }
  }
}

// The whole table as bits, so that -0.0 and 0.0 or a changed rounding count as different.
std::vector<std::uint32_t> table_bits() {
  std::vector<std::uint32_t> bits;
  for (int j = 1; j <= 101; ++j) {
    for (int k = 1; k <= 5; ++k) {
      std::uint32_t b = 0;
      std::memcpy(&b, &work02.coef(k, j), sizeof b);
      bits.push_back(b);
    }
  }
  return bits;
}

// The table of t built from nothing: storage cleared and the kept table forgotten.
std::vector<std::uint32_t> fresh_table(std::int32_t t) {
  reset_coeff_cache();
  build(t);
  return table_bits();
}

void set_t(std::int32_t t) {
  minsuf.ntrap = t;
  minsuf.treal = static_cast<float>(t);
}

TEST(Coeff, TableAlwaysBelongsToTheCurrentT) {
  // Each case: a sequence of calls; "clear" stands for a run's start, which zeroes work02.
  struct Step {
    std::int32_t t;
    bool clear_before;
  };
  struct {
    const char* what;
    std::vector<Step> steps;
  } cases[] = {
      {"same t twice", {{5, false}, {5, false}}},
      {"back to an earlier t", {{5, false}, {7, false}, {5, false}}},
      {"limiting table between formulas", {{30, false}, {31, false}, {30, false}, {31, false}}},
      {"storage cleared, same t", {{5, false}, {5, true}}},
      {"storage cleared twice", {{12, true}, {12, true}, {12, false}}},
      {"smallest and largest t", {{1, false}, {100, false}, {1, false}}},
      {"t below 1 leaves ones", {{5, false}, {0, false}, {5, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reset_storage();
    for (const auto& step : c.steps) {
      if (step.clear_before) reset_storage();
      set_t(step.t);
      coeff();
    }
    const auto kept = table_bits();
    EXPECT_EQ(kept, fresh_table(c.steps.back().t));
  }
}

TEST(Coeff, KeptTableIsReusedUntilForgotten) {
  build(5);
  EXPECT_EQ(work02.coef(1, 1), 1.0f + 4.0f / 5.0f);
  // Nothing else writes the table; a mark put into it shows whether coeff rebuilt it.
  work02.coef(1, 1) = 42.0f;
  coeff();
  EXPECT_EQ(work02.coef(1, 1), 42.0f);  // same t: the table is kept
  reset_coeff_cache();
  coeff();
  EXPECT_EQ(work02.coef(1, 1), 1.0f + 4.0f / 5.0f);  // forgotten: rebuilt
  work02.coef(1, 1) = 42.0f;
  set_t(6);
  coeff();
  EXPECT_EQ(work02.coef(1, 1), 1.0f + 5.0f / 6.0f);  // another t: rebuilt
}

TEST(Coeff, KeptTableFollowsBothCountAndRealForm) {
  // The table reads ntrap (where to stop) and treal (the formulas); a change of either one
  // alone still rebuilds it.
  build(5);
  minsuf.treal = 7.0f;
  coeff();
  EXPECT_EQ(work02.coef(1, 1), 1.0f + 6.0f / 7.0f);
  build(5);
  minsuf.ntrap = 4;
  coeff();
  EXPECT_EQ(work02.coef(5, 1), 1.0f);  // t = 4 stops before order 5
  EXPECT_EQ(work02.coef(4, 1), 1.0f + 10.0f / 5.0f);
}

}  // namespace
}  // namespace kelvaro
