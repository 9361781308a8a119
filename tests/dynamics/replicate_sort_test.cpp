// Sorting of replicate columns: order, preserved values, and where signed zeros and NaN land.
#include "dynamics/replicate_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace kelvaro {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Bit patterns make -0.0/0.0 and NaN comparable position by position.
std::vector<std::uint32_t> bits(const std::vector<float>& v) {
  std::vector<std::uint32_t> out;
  for (float x : v) out.push_back(std::bit_cast<std::uint32_t>(x));
  return out;
}

// The sort (its radix path when the column holds no NaN and no -0.0) and the partition steps
// alone both give std::sort's array.
void expect_sorts_agree(std::vector<float> a) {
  std::vector<float> expected = a;
  std::sort(expected.begin(), expected.end());
  std::vector<float> partitioned = a;
  sort_replicates_by_partition(partitioned.data(), static_cast<int>(a.size()));
  sort_replicates(a.data(), static_cast<int>(a.size()));
  EXPECT_EQ(a, expected);
  EXPECT_EQ(partitioned, expected);
}

TEST(ReplicateSort, MatchesStandardSortOnEveryLengthUpTo200) {
  std::mt19937 gen(20261207);
  // Wide values, and values from a few classes so that ties and runs are common.
  std::uniform_real_distribution<float> wide(-1.0e6f, 1.0e6f);
  std::uniform_int_distribution<int> few(-2, 2);
  for (int n = 1; n <= 200; ++n) {
    for (int kind = 0; kind < 2; ++kind) {
      SCOPED_TRACE(testing::Message() << "n = " << n << ", kind = " << kind);
      std::vector<float> a(n);
      for (float& x : a) {
        // The few-class column holds -0.0 and 0.0 side by side (equal for both sorts).
        const int f = few(gen);
        x = kind == 0 ? wide(gen) : f == 0 ? (gen() % 2 ? 0.0f : -0.0f) : static_cast<float>(f);
      }
      expect_sorts_agree(a);
    }
  }
}

TEST(ReplicateSort, OrderedAndAdversarialInputsOfFullSize) {
  const int n = 10000;
  struct Case {
    const char* name;
    float (*value)(int i);  // value at 0-based position i
  } cases[] = {
      {"ascending", [](int i) { return static_cast<float>(i); }},
      {"descending", [](int i) { return static_cast<float>(10000 - i); }},
      {"all equal", [](int) { return 7.0f; }},
      {"organ pipe", [](int i) { return static_cast<float>(i < 5000 ? i : 10000 - i); }},
      {"sawtooth", [](int i) { return static_cast<float>(i % 13); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> a(n);
    for (int i = 0; i < n; ++i) a[i] = c.value(i);
    expect_sorts_agree(a);
  }
}

TEST(ReplicateSort, LeavesValuesOutsideTheRangeAlone) {
  struct Case {
    int n;
  } cases[] = {{0}, {1}, {2}, {12}, {13}, {50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    // Guards at a(0) and a(n+1), smaller and larger than every value in range.
    std::vector<float> a(c.n + 2);
    a.front() = 1000.0f;
    a.back() = -1000.0f;
    for (int i = 1; i <= c.n; ++i) a[i] = static_cast<float>((i * 7) % 11);
    sort_replicates(a.data() + 1, c.n);
    EXPECT_EQ(a.front(), 1000.0f);
    EXPECT_EQ(a.back(), -1000.0f);
    EXPECT_TRUE(std::is_sorted(a.begin() + 1, a.end() - 1));
  }
}

// Placements traced by hand through the median of three, the partition scans and the insertion.
TEST(ReplicateSort, SignedZerosAndNaNLandWhereTheStepsPutThem) {
  const float z = 0.0f;
  const float m = -0.0f;
  struct Case {
    const char* name;
    std::vector<float> in;
    std::vector<float> out;
  } cases[] = {
      // Pivot -0.0 is swapped out by the median of three; +0 ends before -0.
      {"three values, partition only", {z, m, -1.0f}, {-1.0f, z, m}},
      // The pivot NaN is swapped into the middle and stays there.
      {"NaN pivot in a short range", {2.0f, kNaN, 1.0f}, {1.0f, kNaN, 2.0f}},
      // 1..13 splits into 1..2 and 3..13; the zeros in 3..13 keep their order through the
      // insertion, which moves a value only past strictly greater ones.
      {"insertion keeps zeros in order",
       {-5.0f, 3.0f, m, 2.0f, z, 1.0f, -4.0f, m, 5.0f, z, 4.0f, z, 9.0f},
       {-5.0f, -4.0f, m, z, m, z, z, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 9.0f}},
      // The same split, the NaN swapped into position 7 by the partition. In the insertion a
      // NaN t fails "t >= a(p)" and steps one place down; the -0.0 after it fails against it
      // and stops above it.
      {"NaN in an insertion range",
       {-5.0f, kNaN, m, 2.0f, z, 1.0f, -4.0f, m, 5.0f, z, 4.0f, z, 9.0f},
       {-5.0f, -4.0f, m, z, 1.0f, kNaN, m, z, z, 2.0f, 4.0f, 5.0f, 9.0f}},
      // A NaN at position 11 stops the downward scan and is swapped to position 2; the short
      // range 1..3 is partitioned again (it starts at 1) and leaves the NaN first.
      {"NaN stops the partition scan",
       {-5.0f, 3.0f, m, 2.0f, z, 1.0f, -4.0f, m, 5.0f, z, kNaN, z, 9.0f},
       {kNaN, -5.0f, -4.0f, z, m, m, z, z, 1.0f, 2.0f, 3.0f, 5.0f, 9.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> a = c.in;
    sort_replicates(a.data(), static_cast<int>(a.size()));
    EXPECT_EQ(bits(a), bits(c.out));
  }
}

// Columns holding NaN: the sort must end, stay inside a(1..n) (the sanitizer build checks this on
// exactly sized arrays; one of these columns would send the insertion below position 1 without
// its guard) and keep every value. NaN compares false with everything, so no order is defined
// around it and only the values are compared.
TEST(ReplicateSort, ColumnsWithNaNKeepTheirValues) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> pick(0, 5);
  const float pool[] = {kNaN, -1.0f, -0.0f, 0.0f, 1.0f, 2.0f};
  for (int n = 1; n <= 60; ++n) {
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(testing::Message() << "n = " << n << ", round = " << round);
      std::vector<float> a(n);
      for (float& x : a) x = pool[pick(gen)];
      std::vector<std::uint32_t> before = bits(a);
      sort_replicates(a.data(), n);
      std::vector<std::uint32_t> after = bits(a);
      std::sort(before.begin(), before.end());
      std::sort(after.begin(), after.end());
      EXPECT_EQ(after, before);
    }
  }
}

}  // namespace
}  // namespace kelvaro
