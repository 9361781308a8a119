// Parameters of one replicate row and of the data: formulas, range adjustments, the double
// evaluation of B, and IEEE results of zero divisors.
#include "dynamics/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvaro {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct Replicate {
  float n1, n2, m2, m1;
  std::int32_t r1, r2;
};

// Row 2 derived with the data's observed counts R(1), R(2); rows 1 and 3 hold sentinels that
// must survive.
ReplicateTable derived(std::int32_t nobs1, std::int32_t nobs2, const Replicate& r,
                       bool range_adjust = true) {
  ReplicateTable t(3);
  for (int i = 1; i <= 3; ++i) {
    for (int c = 1; c <= 12; ++c) t.value(i, c) = -7.0f;
  }
  t.value(2, 1) = r.n1;
  t.value(2, 2) = r.n2;
  t.value(2, 3) = r.m2;
  t.value(2, 4) = r.m1;
  t.detected(2, 1) = r.r1;
  t.detected(2, 2) = r.r2;
  derive_replicate_parameters(t, 2, range_adjust, {nobs1, nobs2});
  return t;
}

// Same value, with NaN equal to NaN and -0.0 apart from 0.0.
void expect_same(float actual, float expected, const char* what) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << what << " = " << actual;
  } else {
    EXPECT_EQ(actual, expected) << what;
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << what;
  }
}

TEST(ReplicateParameters, WorkedExampleAndUntouchedNeighbours) {
  const ReplicateTable t = derived(40, 45, {50.0f, 60.0f, 35.0f, 42.0f, 40, 45});
  const float expected[13] = {0,    50.0f,  60.0f,  35.0f, 42.0f, 0.875f, 42.0f / 45.0f,
                              1.2f, 1.125f, 16.25f, -7.0f, 0.8f,  0.75f};
  for (int c = 1; c <= 12; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(t.value(2, c), expected[c]);
    EXPECT_EQ(t.value(1, c), -7.0f);
    EXPECT_EQ(t.value(3, c), -7.0f);
  }
}

TEST(ReplicateParameters, EstimatesBelowTheObservedCountAreRaised) {
  const float big = 2147483520.0f;  // the largest real below 2^31: its integer part fits
  struct Case {
    const char* name;
    std::int32_t nobs1;
    float n1;
    float n1_after;
  } cases[] = {
      {"44.7 below 45", 45, 44.7f, 45.0f},
      {"45.3 not below 45", 45, 45.3f, 45.3f},
      {"exactly 45", 45, 45.0f, 45.0f},
      {"-0.5 has integer part 0, not below 0", 0, -0.5f, -0.5f},
      {"-1.5 below 0", 0, -1.5f, 0.0f},
      {"NaN counts as below", 45, kNaN, 45.0f},
      {"+Inf counts as below", 45, kInf, 45.0f},
      {"-Inf counts as below", 45, -kInf, 45.0f},
      {"2^31 does not fit", 45, 2147483648.0f, 45.0f},
      {"largest fitting value stays", 45, big, big},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReplicateTable t = derived(c.nobs1, 10, {c.n1, 20.0f, 10.0f, 10.0f, 40, 40});
    expect_same(t.value(2, 1), c.n1_after, "N1");
  }
}

TEST(ReplicateParameters, SecondEstimateIsHeldToTheSecondCount) {
  const ReplicateTable t = derived(10, 50, {12.0f, 45.0f, 10.0f, 10.0f, 40, 40});
  EXPECT_EQ(t.value(2, 1), 12.0f);
  EXPECT_EQ(t.value(2, 2), 50.0f);
  EXPECT_EQ(t.value(2, 7), 50.0f / 12.0f);  // LAMBDA from the raised N2
  EXPECT_EQ(t.value(2, 12), 1.0f);          // p(2) = R(2) / N2
}

TEST(ReplicateParameters, RangeAdjustmentsOnlyWhenAsked) {
  // N1 below R(1); PHI = 50/40 and GAMMA = 60/45 above 1; B then negative.
  const Replicate r = {38.6f, 40.0f, 50.0f, 60.0f, 40, 45};
  struct Case {
    bool range_adjust;
    float n1, phi, gamma, lambda, b, p1;
  } cases[] = {
      // B = 40 - 1 * 45 = -5, raised to 0.
      {true, 45.0f, 1.0f, 1.0f, 40.0f / 45.0f, 0.0f, 1.0f},
      // 38.6 is stored as 38.59999847412109375; B = 40 - 1.25 * that = -8.2499980926513671875,
      // a multiple of 2^-20 and so exact in single precision.
      {false, 38.6f, 1.25f, 60.0f / 45.0f, 40.0f / 38.6f, -8.2499980926513671875f, 45.0f / 38.6f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range_adjust);
    const ReplicateTable t = derived(45, 40, r, c.range_adjust);
    EXPECT_EQ(t.value(2, 1), c.n1);
    EXPECT_EQ(t.value(2, 5), c.phi);
    EXPECT_EQ(t.value(2, 6), c.gamma);
    EXPECT_EQ(t.value(2, 7), c.lambda);
    EXPECT_EQ(t.value(2, 9), c.b);
    EXPECT_EQ(t.value(2, 11), c.p1);
  }
}

TEST(ReplicateParameters, ColonisingSpeciesFormedInDouble) {
  // PHI = 1/3 rounds to 11184811 * 2^-25; times N1 = 3 is 1 + 2^-25 in double (1.0 in single),
  // so B = 1 - (1 + 2^-25) = -2^-25 rather than 0.
  EXPECT_EQ(derived(0, 0, {3.0f, 1.0f, 1.0f, 1.0f, 3, 3}, false).value(2, 9),
            std::ldexp(-1.0f, -25));
}

TEST(ReplicateParameters, ZeroObservedCountsGiveInfinitiesAndNaN) {
  struct Case {
    const char* name;
    bool range_adjust;
    Replicate r;
    float phi, alt_lambda, b;
  } cases[] = {
      // M2 / 0 = +Inf; held to 1.0 by the range adjustment, B = 60 - 50.
      {"PHI infinite, adjusted", true, {50.0f, 60.0f, 35.0f, 42.0f, 0, 45}, 1.0f, kInf, 10.0f},
      // Left infinite: B = 60 - Inf * 50 = -Inf, not raised without the adjustment.
      {"PHI infinite, not adjusted", false, {50.0f, 60.0f, 35.0f, 42.0f, 0, 45}, kInf, kInf, -kInf},
      // 0 / 0: NaN fails both tests, and B follows it.
      {"PHI NaN", true, {50.0f, 60.0f, 0.0f, 42.0f, 0, 45}, kNaN, kInf, kNaN},
      {"altLAMBDA NaN", true, {50.0f, 60.0f, 0.0f, 0.0f, 0, 0}, kNaN, kNaN, kNaN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReplicateTable t = derived(40, 45, c.r, c.range_adjust);
    expect_same(t.value(2, 5), c.phi, "PHI");
    expect_same(t.value(2, 8), c.alt_lambda, "altLAMBDA");
    expect_same(t.value(2, 9), c.b, "B");
  }
}

TEST(ReplicateParameters, DetectionUsesTheDataCountsNotTheReplicates) {
  const ReplicateTable t = derived(40, 45, {80.0f, 90.0f, 35.0f, 42.0f, 70, 30});
  EXPECT_EQ(t.value(2, 11), 0.5f);          // 40 / 80
  EXPECT_EQ(t.value(2, 12), 0.5f);          // 45 / 90
  EXPECT_EQ(t.value(2, 8), 30.0f / 70.0f);  // replicate counts
}

struct DataCase {
  const char* name;
  Array1<float, 4> nest;  // N(1), N(2), M2(R1), M1(R2)
  std::int32_t nobs1, nobs2;
  float expected[12];  // columns 1..12; column 10 is 0
};

TEST(DataParameters, LimitedWhateverTheRangeAdjustment) {
  const DataCase cases[] = {
      {"worked example",
       {50.0f, 60.0f, 35.0f, 42.0f},
       40,
       45,
       {50.0f, 60.0f, 35.0f, 42.0f, 0.875f, 42.0f / 45.0f, 1.2f, 1.125f, 16.25f, 0.0f, 0.8f,
        0.75f}},
      // PHI = 50/40 is held to 1; B = 60 - 50.
      {"PHI above 1",
       {50.0f, 60.0f, 50.0f, 42.0f},
       40,
       45,
       {50.0f, 60.0f, 50.0f, 42.0f, 1.0f, 42.0f / 45.0f, 1.2f, 1.125f, 10.0f, 0.0f, 0.8f, 0.75f}},
      // B = 40 - 1 * 50 < 0 becomes 0; GAMMA = 50/45 held to 1.
      {"B below 0",
       {50.0f, 40.0f, 50.0f, 50.0f},
       40,
       45,
       {50.0f, 40.0f, 50.0f, 50.0f, 1.0f, 1.0f, 0.8f, 1.125f, 0.0f, 0.0f, 0.8f, 1.125f}},
      // R(1) = 0: q = 35/0 is infinite, PHI 1.0; altLAMBDA = 45/0; p(1) = 0/50.
      {"R(1) zero",
       {50.0f, 60.0f, 35.0f, 42.0f},
       0,
       45,
       {50.0f, 60.0f, 35.0f, 42.0f, 1.0f, 42.0f / 45.0f, 1.2f, kInf, 10.0f, 0.0f, 0.0f, 0.75f}},
      // 0/0: q is NaN and PHI is 1.0.
      {"R(1) and M2(R1) zero",
       {50.0f, 60.0f, 0.0f, 42.0f},
       0,
       45,
       {50.0f, 60.0f, 0.0f, 42.0f, 1.0f, 42.0f / 45.0f, 1.2f, kInf, 10.0f, 0.0f, 0.0f, 0.75f}},
      // Both counts 0: GAMMA 1.0 from 0/0 too, altLAMBDA = 0/0, p(2) = 0/60.
      {"both counts zero",
       {50.0f, 60.0f, 0.0f, 0.0f},
       0,
       0,
       {50.0f, 60.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.2f, kNaN, 10.0f, 0.0f, 0.0f, 0.0f}},
      // A NaN N(2) makes B NaN, which the limit leaves alone.
      {"B NaN stays",
       {50.0f, kNaN, 35.0f, 42.0f},
       40,
       45,
       {50.0f, kNaN, 35.0f, 42.0f, 0.875f, 42.0f / 45.0f, kNaN, 1.125f, kNaN, 0.0f, 0.8f, kNaN}},
  };
  for (const DataCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParameterValues v = data_parameters(c.nest, {c.nobs1, c.nobs2});
    for (int k = 1; k <= 12; ++k) {
      SCOPED_TRACE(k);
      expect_same(v(k), c.expected[k - 1], "value");
    }
  }
}

TEST(DataParameters, ColonisingSpeciesFormedInDouble) {
  // PHI = 1/3 rounds to 11184811 * 2^-25; PHI * 15 = 5 + 5 * 2^-25 in double (exactly 5 in
  // single), so B = 6 - PHI * 15 = 1 - 2.5 * 2^-24, which rounds (tie to even) to 1 - 2^-23.
  const Array1<float, 4> estimates{{15.0f, 6.0f, 1.0f, 1.0f}};
  EXPECT_EQ(data_parameters(estimates, {3, 3})(9), 1.0f - std::ldexp(1.0f, -23));
}

}  // namespace
}  // namespace kelvaro
