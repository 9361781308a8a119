#include "jack/jack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "jack/block.h"
#include "jack/coeff.h"
#include "jack/cpower.h"
#include "shared/storage.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

TEST(Jack, WorkedExample) {
  estimate_block(5, {20, 8, 3, 1, 0});
  const float N[] = {48.00f, 56.40f, 60.80f, 62.74f, 62.74f};
  const float SE[] = {5.37f, 8.08f, 10.04f, 11.11f, 11.11f};
  const float chisq[] = {10.333f, 4.035f, 2.531f, 0.0f, 0.0f};  // test 4 skipped
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(work02.nk(k), N[k - 1], 0.005f);
    EXPECT_NEAR(work02.sek(k), SE[k - 1], 0.005f);
    EXPECT_NEAR(work02.chisq(k), chisq[k - 1], 0.0005f);
  }
  EXPECT_EQ(work02.chisq(4), 0.0f);
  EXPECT_NEAR(work01.se, 9.64f, 0.005f);
  EXPECT_NEAR(work01.est, 56.97f, 0.005f);
}

// Estimates and standard errors of a sequence of blocks, as bits, estimated the way a run does
// it: storage cleared (and, when `new_run`, every kept table forgotten) before the first block.
std::vector<std::uint32_t> estimate_sequence(bool new_run) {
  struct Block {
    std::int32_t t;
    std::initializer_list<float> f;
  };
  const Block blocks[] = {
      {5, {20, 8, 3, 1, 0}},
      {5, {12, 9, 3, 2, 2}},
      {10, {6, 2, 2, 1, 0, 3, 0, 1, 0, 4}},
      {31, {30, 9, 4, 1, 1, 1}},
      {5, {20, 8, 3, 1, 0}},
  };
  reset_storage();
  if (new_run) reset_coeff_cache();
  std::vector<std::uint32_t> bits;
  for (const auto& b : blocks) {
    work01.t = b.t;
    for (std::int32_t i = 1; i <= 100; ++i) work01.x(i) = 0.0f;
    std::int32_t i = 1;
    for (const float v : b.f) work01.x(i++) = v;
    readj();
    for (const float r : {work01.est, work01.se}) {
      std::uint32_t u = 0;
      std::memcpy(&u, &r, sizeof u);
      bits.push_back(u);
    }
  }
  return bits;
}

TEST(Jack, RepeatedRunsGiveTheSameEstimates) {
  const auto first = estimate_sequence(true);
  // The first and last blocks are the worked example.
  float est = 0.0f;
  std::memcpy(&est, &first[0], sizeof est);
  EXPECT_NEAR(est, 56.97f, 0.005f);
  EXPECT_EQ(first[0], first[8]);
  EXPECT_EQ(first[1], first[9]);
  // A second run in the same process, with the tables of the first still kept, and one that only
  // clears the storage.
  EXPECT_EQ(estimate_sequence(true), first);
  EXPECT_EQ(estimate_sequence(false), first);
}

TEST(Jack, DegenerateBlocks) {
  struct {
    const char* name;
    std::int32_t t;
    float f1, f2, f3, f4;
    float est, se, tolerance;
  } cases[] = {
      // One class: m = 1, no test, N(1) = M.
      {"t = 1", 1, 7, 0, 0, 0, 7.0f, 0.0f, 0.0f},
      // Everyone seen every time: every denominator is 0, the mixture is order m alone.
      {"all on all occasions", 4, 0, 0, 0, 9, 9.0f, 0.0f, 0.0f},
      // t = 2: test 1 has D = 0 (a(1,2) = a(2,2) = 1 and a(1,1) = a(2,1)), so w(2) = 1 and the
      // standard error is SE(2) = sqrt(1.5^2 * 6 + 4 - 13). Interpolation with order 0:
      // G = 19, X0 = 114/13, a = (X0 - 3.84)/X0, E = 10 + 3a.
      {"t = 2", 2, 6, 4, 0, 0, 10.0f + 3.0f * (1.0f - 3.84f * 13.0f / 114.0f),
       std::sqrt(4.5f), 1e-4f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    estimate_block(c.t, {c.f1, c.f2, c.f3, c.f4});
    EXPECT_NEAR(work01.est, c.est, c.tolerance);
    EXPECT_NEAR(work01.se, c.se, c.tolerance);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(work02.chisq(k), 0.0f) << k;
  }
  EXPECT_EQ(work02.nk(3), 10.0f);  // orders above t: every coefficient 1
  EXPECT_EQ(work02.nk(5), 10.0f);
  EXPECT_EQ(work02.sek(5), 0.0f);
}

TEST(Jack, SkippedTestLeavesStatisticZero) {
  // Limiting table, all five animals in class 2: every test sums a nonzero S but its
  // denominator S - d*d/M is exactly 0 (S = 5, 20, 45, 80 and d = -5, -10, -15, -20).
  estimate_block(31, {0, 5});
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(work02.chisq(k), 0.0f) << k;
  EXPECT_EQ(work01.est, 5.0f);  // chisq(1) < 3.84, f(1) = 0, M < 20: N(1) = 5
  // Only w(5) = 1: SE(5)^2 = 81*5 - (-9*5) = 450.
  EXPECT_NEAR(work01.se, std::sqrt(450.0f), 1e-4f);
}

TEST(Jack, FirstTestSkippedWeightsNotNormalised) {
  // t = 5, f = (0, 0, 4, 2, 0), M = 6: test 1 has D = 0; N(1) = N(2) = 6,
  // N(3) = 6 + 4*(8/60) = 6.5333, N(4) = N(5) = 6 + 4/4 - 2/120 = 6.9833.
  // Tests 2 and 3: chisq = 10.0 and 8.1 (d = 8/15 and 0.45, g = 1.2); test 4 skipped.
  estimate_block(5, {0, 0, 4, 2, 0});
  EXPECT_EQ(work02.chisq(1), 0.0f);
  EXPECT_NEAR(work02.chisq(2), 10.0f, 1e-3f);
  EXPECT_NEAR(work02.chisq(3), 8.1f, 1e-3f);
  float p2 = 0.0f, p3 = 0.0f;
  cpower(0.05f, 9.0, p2);
  cpower(0.05f, 7.1, p3);
  // w = (1 - P(1), (1 - P(2)) P(1), (1 - P(3)) P(1) P(2), 0, P(2) P(3)) with P(1) = 0.
  const float w1 = 1.0f, w5 = p2 * p3;
  const float n1 = 6.0f, n5 = 6.0f + 1.0f - 2.0f / 120.0f;
  const float se5_sq = 4.0f * 1.25f * 1.25f + 2.0f * (119.0f / 120.0f) * (119.0f / 120.0f) - n5;
  const float navg = w1 * n1 + w5 * n5;
  const float v = w5 * se5_sq + w1 * (n1 - navg) * (n1 - navg) + w5 * (n5 - navg) * (n5 - navg);
  EXPECT_NEAR(work01.se, std::sqrt(v), 1e-3f);
}

}  // namespace
}  // namespace kelvaro
