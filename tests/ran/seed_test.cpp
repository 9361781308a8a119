// Seeding from the seed number or from the clock.

#include "ran/seed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <iterator>

#include "ran/kiss.h"

namespace kelvaro {
namespace {

std::uint32_t draw_bits() {
  float u;
  random_r4(u);
  return static_cast<std::uint32_t>(u * 0x1p32f);  // exact: u * 2^32 is a whole number below 2^32
}

TEST(Seed, SeedNumberBytesZeroAndTwoFillWordsZeroToThree) {
  struct {
    std::int32_t ix;
    std::uint32_t low;   // words 0-3: x0 + 2^8 x2 + 2^16 x0 + 2^24 x2
    std::uint32_t high;  // words 4-7: x1 + 2^8 x3 + 2^16 x1 + 2^24 x3
  } cases[] = {
      {400, 0x00900090u, 0x00010001u}, {1, 0x00010001u, 0u},
      {256, 0u, 0x00010001u},          {0x12345678, 0x34783478u, 0x12561256u},
      {-1, 0xFFFFFFFFu, 0xFFFFFFFFu},  {-400, 0xFF70FF70u, 0xFFFEFFFEu},
      {INT32_MIN, 0u, 0x80008000u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ix);
    for (std::int64_t clock_ms : {std::int64_t{0}, std::int64_t{1765000000000}}) {
      init_random_seed(c.ix, clock_ms);  // the clock is read but not used
      for (int i = 0; i < 4; ++i) EXPECT_EQ(generator.state[i], c.low);
      for (int i = 4; i < 8; ++i) EXPECT_EQ(generator.state[i], c.high);
    }
  }
}

TEST(Seed, StreamsOfKnownSeedNumbers) {
  struct {
    std::int32_t ix;
    int index;  // 1-based draw number
    std::uint32_t bits;
  } cases[] = {
      {400, 1, 0xB1998200u},
      {400, 2, 0x61079B00u},
      {400, 3, 0xD8020C00u},
      {400, 12, 0x99FED600u},  // first draw after the 11 discarded ones
      {1, 1, 0xC3627300u},
      // x0 = x2 = 0: the congruential word alone.
      {256, 1, 0x4F1BBC00u},
      {256, 2, 0xCDC63200u},
      {512, 1, 0x4F1BBC00u},
      {65280, 2, 0xCDC63200u},
      {16777216, 1, 0x4F1BBC00u},
      {0x01000100, 2, 0xCDC63200u},
      {-16777216, 1, 0x4F1BBC00u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "ix " << c.ix << " draw " << c.index);
    init_random_seed(c.ix, 0);
    for (int i = 1; i < c.index; ++i) draw_bits();
    EXPECT_EQ(draw_bits(), c.bits);
  }
}

TEST(Seed, ZeroTakesTableFromClockModuloTwoTo31) {
  struct {
    std::int64_t clock_ms;
    std::int32_t table[8];  // c, c + 37, ..., c + 259, wrapping
  } cases[] = {
      {std::int64_t{1} << 31, {0, 37, 74, 111, 148, 185, 222, 259}},
      {1765000000000,
       {1915924992, 1915925029, 1915925066, 1915925103, 1915925140, 1915925177, 1915925214,
        1915925251}},
      {-1,
       {INT32_MAX, INT32_MIN + 36, INT32_MIN + 73, INT32_MIN + 110, INT32_MIN + 147,
        INT32_MIN + 184, INT32_MIN + 221, INT32_MIN + 258}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clock_ms);
    random_seed_put(c.table);
    const Generator expected = generator;
    reset_generator();
    init_random_seed(0, c.clock_ms);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(generator.state[i], expected.state[i]) << "word " << i;
  }
}

TEST(Seed, ZeroReadsTheWallClock) {
  const std::int64_t before = clock_milliseconds();
  init_random_seed(0);
  const Generator seeded = generator;
  const std::int64_t after = clock_milliseconds();
  // Within a few seconds of the C clock, and the state is that of a reading in [before, after].
  EXPECT_NEAR(static_cast<double>(before), 1000.0 * static_cast<double>(std::time(nullptr)),
              5000.0);
  bool matched = false;
  for (std::int64_t t = before; t <= after && !matched; ++t) {
    init_random_seed(0, t);
    matched = std::equal(std::begin(seeded.state), std::end(seeded.state), generator.state);
  }
  EXPECT_TRUE(matched);
  // Neighbouring milliseconds give different streams.
  init_random_seed(0, 1765000000000);
  const std::uint32_t first = draw_bits();
  init_random_seed(0, 1765000000001);
  EXPECT_NE(draw_bits(), first);
}

}  // namespace
}  // namespace kelvaro
