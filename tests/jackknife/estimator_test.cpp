// The jackknife estimator of one block: the worked example, the reading of the frequencies,
// fixed results when there is nothing to estimate, independence from earlier estimates, and
// degenerate blocks.
#include "jackknife/estimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "jackknife/block.h"
#include "jackknife/test_power.h"

namespace kelvaro {
namespace {

using jacktest::estimate_block;

TEST(JackknifeEstimator, WorkedExample) {
  const JackknifeResult r = estimate_block(5, {20, 8, 3, 1, 0});
  const float N[] = {48.00f, 56.40f, 60.80f, 62.74f, 62.74f};
  const float SE[] = {5.37f, 8.08f, 10.04f, 11.11f, 11.11f};
  const float chisq[] = {10.333f, 4.035f, 2.531f, 0.0f, 0.0f};  // test 4 skipped
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(r.orders.estimates(k), N[k - 1], 0.005f);
    EXPECT_NEAR(r.orders.errors(k), SE[k - 1], 0.005f);
    EXPECT_NEAR(r.orders.statistics(k), chisq[k - 1], 0.0005f);
  }
  EXPECT_EQ(r.orders.statistics(4), 0.0f);
  EXPECT_NEAR(r.standard_error, 9.64f, 0.005f);
  EXPECT_NEAR(r.estimate, 56.97f, 0.005f);
}

// The block's reading: frequencies truncated, species counted.
TEST(JackknifeEstimator, TruncatesAndCounts) {
  const JackknifeResult r = estimate_block(3, {3.0f, 1.0f, 2.9f});
  EXPECT_EQ(r.captured, 6);  // 2.9 -> 2
  // N(1) = a(1,1) f(1) + f(2) + f(3) with a(1,1) = 1 + 2/3.
  EXPECT_NEAR(r.orders.estimates(1), 8.0f, 1e-5f);
}

TEST(JackknifeEstimator, FixedResultsForNoneOrOneAnimal) {
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

// Everything an estimate produced, as bits, so that -0.0 and 0.0 or a changed rounding differ.
std::vector<std::uint32_t> result_bits(const JackknifeResult& r) {
  std::vector<float> values = {r.estimate, r.standard_error};
  for (const auto* table :
       {&r.orders.estimates, &r.orders.errors, &r.orders.statistics, &r.weight, &r.power}) {
    for (int k = 1; k <= 5; ++k) values.push_back((*table)(k));
  }
  std::vector<std::uint32_t> bits(values.size());
  std::memcpy(bits.data(), values.data(), values.size() * sizeof(float));
  bits.push_back(static_cast<std::uint32_t>(r.captured));
  bits.push_back(r.weights_unbalanced * 2u + r.fell_back);
  return bits;
}

TEST(JackknifeEstimator, ResultsDoNotDependOnEarlierEstimates) {
  // Each sequence goes through one estimator, its blocks in one buffer that is never cleared
  // (classes above a block's t keep what earlier blocks put there); every result must be that of
  // an estimator that has estimated nothing before, on the block alone.
  struct Block {
    std::int32_t t;
    std::vector<float> x;
  };
  const std::vector<float> all_ones(100, 1.0f);
  struct {
    const char* what;
    std::vector<Block> blocks;
  } cases[] = {
      {"same t twice", {{5, {20, 8, 3, 1, 0}}, {5, {12, 9, 3, 2, 2}}}},
      {"back to an earlier t",
       {{5, {20, 8, 3, 1, 0}}, {10, {6, 2, 2, 1, 0, 3, 0, 1, 0, 4}}, {5, {20, 8, 3, 1, 0}}}},
      {"limiting table between formulas",
       {{30, {30, 9, 4, 1, 1, 1}},
        {31, {30, 9, 4, 1, 1, 1}},
        {30, {30, 9, 4, 1, 1, 1}},
        {31, {30, 9, 4, 1, 1, 1}}}},
      {"smallest and largest t", {{1, {7}}, {100, all_ones}, {1, {7}}}},
      {"smaller block over a larger one", {{100, all_ones}, {3, {1, 1, 1}}}},
      {"t below 1 between estimates", {{5, {20, 8, 3, 1, 0}}, {0, {5}}, {5, {20, 8, 3, 1, 0}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    JackknifeEstimator estimator;
    std::array<float, 100> buffer{};
    for (const Block& b : c.blocks) {
      SCOPED_TRACE(b.t);
      std::copy(b.x.begin(), b.x.end(), buffer.begin());
      std::array<float, 100> alone{};
      std::copy(b.x.begin(), b.x.end(), alone.begin());
      const JackknifeResult full = estimator.estimate(buffer.data(), b.t);
      EXPECT_EQ(result_bits(full), result_bits(JackknifeEstimator().estimate(alone.data(), b.t)));
      // The estimate alone (as the bootstrap takes it) is the full estimate's, bit for bit.
      const float only = estimator.estimate_only(buffer.data(), b.t);
      EXPECT_EQ(std::bit_cast<std::uint32_t>(only), std::bit_cast<std::uint32_t>(full.estimate));
    }
  }
}

TEST(JackknifeEstimator, DegenerateBlocks) {
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
      {"t = 2", 2, 6, 4, 0, 0, 10.0f + 3.0f * (1.0f - 3.84f * 13.0f / 114.0f), std::sqrt(4.5f),
       1e-4f},
  };
  JackknifeResult r;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    r = estimate_block(c.t, {c.f1, c.f2, c.f3, c.f4});
    EXPECT_NEAR(r.estimate, c.est, c.tolerance);
    EXPECT_NEAR(r.standard_error, c.se, c.tolerance);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(r.orders.statistics(k), 0.0f) << k;
  }
  EXPECT_EQ(r.orders.estimates(3), 10.0f);  // orders above t: every coefficient 1
  EXPECT_EQ(r.orders.estimates(5), 10.0f);
  EXPECT_EQ(r.orders.errors(5), 0.0f);
}

TEST(JackknifeEstimator, SkippedTestLeavesStatisticZero) {
  // Limiting table, all five animals in class 2: every test sums a nonzero S but its
  // denominator S - d*d/M is exactly 0 (S = 5, 20, 45, 80 and d = -5, -10, -15, -20).
  const JackknifeResult r = estimate_block(31, {0, 5});
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(r.orders.statistics(k), 0.0f) << k;
  EXPECT_EQ(r.estimate, 5.0f);  // chisq(1) < 3.84, f(1) = 0, M < 20: N(1) = 5
  // Only w(5) = 1: SE(5)^2 = 81*5 - (-9*5) = 450.
  EXPECT_NEAR(r.standard_error, std::sqrt(450.0f), 1e-4f);
  EXPECT_FALSE(r.weights_unbalanced);  // no test made after a skipped one
}

TEST(JackknifeEstimator, FirstTestSkippedWeightsNotNormalised) {
  // t = 5, f = (0, 0, 4, 2, 0), M = 6: test 1 has D = 0; N(1) = N(2) = 6,
  // N(3) = 6 + 4*(8/60) = 6.5333, N(4) = N(5) = 6 + 4/4 - 2/120 = 6.9833.
  // Tests 2 and 3: chisq = 10.0 and 8.1 (d = 8/15 and 0.45, g = 1.2); test 4 skipped.
  const JackknifeResult r = estimate_block(5, {0, 0, 4, 2, 0});
  EXPECT_EQ(r.orders.statistics(1), 0.0f);
  EXPECT_NEAR(r.orders.statistics(2), 10.0f, 1e-3f);
  EXPECT_NEAR(r.orders.statistics(3), 8.1f, 1e-3f);
  EXPECT_TRUE(r.weights_unbalanced);
  TestPowerSeries series;
  const float p2 = series.power(0.05f, 9.0), p3 = series.power(0.05f, 7.1);
  // w = (1 - P(1), (1 - P(2)) P(1), (1 - P(3)) P(1) P(2), 0, P(2) P(3)) with P(1) = 0.
  const float w1 = 1.0f, w5 = p2 * p3;
  const float n1 = 6.0f, n5 = 6.0f + 1.0f - 2.0f / 120.0f;
  const float se5_sq = 4.0f * 1.25f * 1.25f + 2.0f * (119.0f / 120.0f) * (119.0f / 120.0f) - n5;
  const float navg = w1 * n1 + w5 * n5;
  const float v = w5 * se5_sq + w1 * (n1 - navg) * (n1 - navg) + w5 * (n5 - navg) * (n5 - navg);
  EXPECT_NEAR(r.standard_error, std::sqrt(v), 1e-3f);
}

TEST(JackknifeEstimator, ReplicatesInGroupsAreEstimatedAsOneByOne) {
  // estimate_replicates takes four replicates at a time through shared passes: every estimate must
  // be estimate_only's, bit for bit, whatever its neighbours in the group are (none or one species
  // seen, every path of the interpolation, fractions and negative values, t without bound).
  std::mt19937 rng(48);
  for (const std::int32_t t : {1, 5, 12, 13, 30, 31, 98, 1000}) {
    SCOPED_TRACE(t);
    const std::size_t stride = static_cast<std::size_t>(t) + 3;
    const std::int32_t count = 23;                   // five groups and three left over
    std::vector<float> rows(stride * count, -7.0f);  // the padding is not read
    for (std::int32_t r = 0; r < count; ++r) {
      float* row = rows.data() + static_cast<std::size_t>(r) * stride;
      const int shape = r % 6;
      for (std::int32_t j = 0; j < t; ++j) {
        float f = 0.0f;
        if (shape == 1 && j == 0) f = 1.0f;                                 // one species seen
        if (shape == 2) f = static_cast<float>(rng() % (j < 3 ? 300 : 4));  // mostly rare
        if (shape == 3) f = static_cast<float>(rng() % 40);                 // spread out
        if (shape == 4) f = static_cast<float>(rng() % 7) + (j % 5 == 0 ? 0.75f : 0.0f);
        if (shape == 5) f = static_cast<float>(static_cast<int>(rng() % 9) - 2);
        row[j] = f;  // shape 0: none seen
      }
    }
    JackknifeEstimator grouped, alone;
    std::vector<float> estimates(count);
    grouped.estimate_replicates(rows.data(), stride, count, t, estimates.data());
    for (std::int32_t r = 0; r < count; ++r) {
      const float expected =
          alone.estimate_only(rows.data() + static_cast<std::size_t>(r) * stride, t);
      EXPECT_EQ(std::bit_cast<std::uint32_t>(estimates[static_cast<std::size_t>(r)]),
                std::bit_cast<std::uint32_t>(expected))
          << "replicate " << r;
    }
  }
}
}  // namespace
}  // namespace kelvaro
