// Jump-ahead against plain stepping of the generator's kernel, and large jumps by composition.

#include "random/jump_ahead.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "random/kiss_words.h"

namespace kelvaro {
namespace {

using Words = std::array<std::uint32_t, 4>;  // z, w, a, b: compared and printed by gtest

Words jumped(const Words& s, std::uint64_t steps) {
  const KissWords next = jump_ahead({s[0], s[1], s[2], s[3]}, steps);
  return {next.z, next.w, next.a, next.b};
}

// Multiply-with-carry words at 0, 1, m - 1, m, m + 1, 2m, 2^32 - 1 for their moduli
// m = A 2^16 - 1 (A = 18000 and 30903), and two random starts.
std::vector<Words> starts() {
  constexpr std::uint32_t ma = 1179647999u, mb = 2025259007u;
  std::vector<Words> s = {{0u, 0u, 0u, 0u},         {1u, 1u, 1u, 1u},
                          {5u, 7u, ma - 1, mb - 1}, {~0u, 1u << 31, ma, mb},
                          {9u, 3u, ma + 1, mb + 1}, {7u, 1u, 2 * ma, 2 * mb},
                          {0u, ~0u, ~0u, ~0u}};
  std::mt19937 random(15);
  std::uniform_int_distribution<std::uint32_t> word;
  for (int i = 0; i < 2; ++i) s.push_back({word(random), word(random), word(random), word(random)});
  return s;
}

TEST(JumpAhead, HeaderExamples) {
  // Expected words by plain stepping outside this code: 3 steps by a script, 10^9 by a C loop.
  struct {
    Words start;
    std::uint64_t steps;
    Words expected;
  } cases[] = {
      {{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u},
       3,
       {0x71E2780Bu, 0x3E39903Du, 0x2B29ED11u, 0x3AD5048Eu}},
      {{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u},
       1000000000,
       {0x02F7D690u, 0x67D4DF0Cu, 0x3ED6CDB6u, 0x62FC5E03u}},
      {{0xFFFFFFFFu, 0x00000001u, 0xFFFFFFFFu, 0xF16DFFFEu},
       1000000000,
       {0x96F52DFFu, 0x363ED7ACu, 0x1915557Eu, 0x78B6FFFFu}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    EXPECT_EQ(jumped(c.start, c.steps), c.expected);
  }
}

TEST(JumpAhead, MatchesPlainSteppingUpToOneHundredThousandSteps) {
  // Every count 0..64 and about 400 random counts up to 10^5, from each start.
  constexpr int kMaxSteps = 100000;
  std::vector<bool> checked(kMaxSteps + 1, false);
  std::mt19937 random(1);
  for (int i = 0; i < 400; ++i) checked[random() % (kMaxSteps + 1)] = true;
  for (int n = 0; n <= 64; ++n) checked[n] = true;
  for (const Words& start : starts()) {
    SCOPED_TRACE(::testing::PrintToString(start));
    KissWords plain = {start[0], start[1], start[2], start[3]};
    for (int n = 0; n <= kMaxSteps; ++n) {
      if (checked[n]) {
        ASSERT_EQ(jumped(start, n), (Words{plain.z, plain.w, plain.a, plain.b})) << n << " steps";
      }
      plain.next();
    }
  }
}

TEST(JumpAhead, LargeJumpsCompose) {
  std::mt19937_64 random(40);
  for (const Words& start : starts()) {
    SCOPED_TRACE(::testing::PrintToString(start));
    for (int k = 1; k < 64; ++k) {
      const std::uint64_t half = std::uint64_t{1} << (k - 1);
      ASSERT_EQ(jumped(jumped(start, half), half), jumped(start, 2 * half)) << "2^" << k;
    }
    for (int i = 0; i < 50; ++i) {
      const std::uint64_t x = random() >> 24, y = random() >> 24;  // below 2^40
      ASSERT_EQ(jumped(jumped(start, x), y), jumped(start, x + y)) << x << " + " << y;
    }
  }
}

}  // namespace
}  // namespace kelvaro
