// Seeding from the seed number or from the clock.

#include "random/seeding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ctime>

#include "random/uniform_generator.h"

namespace kelvaro {
namespace {

std::uint32_t draw_bits(UniformGenerator& g) {
  return static_cast<std::uint32_t>(g.draw() * 0x1p32f);  // exact: a whole number below 2^32
}

TEST(Seeding, SeedNumberBytesZeroAndTwoFillWordsZeroToThree) {
  struct {
    std::int32_t seed;
    std::uint32_t low;   // words 0-3: x0 + 2^8 x2 + 2^16 x0 + 2^24 x2
    std::uint32_t high;  // words 4-7: x1 + 2^8 x3 + 2^16 x1 + 2^24 x3
  } cases[] = {
      {400, 0x00900090u, 0x00010001u}, {1, 0x00010001u, 0u},
      {256, 0u, 0x00010001u},          {0x12345678, 0x34783478u, 0x12561256u},
      {-1, 0xFFFFFFFFu, 0xFFFFFFFFu},  {-400, 0xFF70FF70u, 0xFFFEFFFEu},
      {INT32_MIN, 0u, 0x80008000u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seed);
    for (std::int64_t clock_ms : {std::int64_t{0}, std::int64_t{1765000000000}}) {
      const auto words = seeded_generator(c.seed, clock_ms).words();  // the clock is not used
      for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(words[i], c.low);
      for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(words[i], c.high);
    }
  }
}

TEST(Seeding, StreamsOfKnownSeedNumbers) {
  struct {
    std::int32_t seed;
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
    SCOPED_TRACE(testing::Message() << "seed " << c.seed << " draw " << c.index);
    UniformGenerator g = seeded_generator(c.seed, 0);
    for (int i = 1; i < c.index; ++i) draw_bits(g);
    EXPECT_EQ(draw_bits(g), c.bits);
  }
}

TEST(Seeding, ZeroTakesTableFromClockModuloTwoTo31) {
  struct {
    std::int64_t clock_ms;
    std::array<std::int32_t, kSeedSize> table;  // c, c + 37, ..., c + 259, wrapping
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
    UniformGenerator expected;
    expected.put(c.table);
    EXPECT_EQ(seeded_generator(0, c.clock_ms).words(), expected.words());
  }
}

TEST(Seeding, ClockValueIsTheReadingModulo2To31AndSeedsAsTheReading) {
  const struct {
    std::int64_t clock_ms;
    std::int32_t c;
  } cases[] = {
      {0, 0}, {(std::int64_t{1} << 31) + 5, 5}, {-1, INT32_MAX}, {1765000000000, 1915924992}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clock_ms);
    EXPECT_EQ(clock_seed_of(c.clock_ms), c.c);
    // A recorded clock value seeds the stream its reading seeded.
    EXPECT_EQ(seeded_generator(0, c.c).words(), seeded_generator(0, c.clock_ms).words());
  }
}

TEST(Seeding, ClockReadingSeedsDistinctStreams) {
  // The clock in milliseconds, within a few seconds of the C clock.
  EXPECT_NEAR(static_cast<double>(clock_milliseconds()),
              1000.0 * static_cast<double>(std::time(nullptr)), 5000.0);
  // Neighbouring milliseconds give different streams.
  UniformGenerator first = seeded_generator(0, 1765000000000);
  UniformGenerator next = seeded_generator(0, 1765000000001);
  EXPECT_NE(draw_bits(next), draw_bits(first));
}

}  // namespace
}  // namespace kelvaro
