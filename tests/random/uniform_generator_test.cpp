// The generator kernel, the byte-scattering put and the single-precision draw.

#include "random/uniform_generator.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace kelvaro {
namespace {

using AllWords = std::array<std::uint32_t, 8>;

TEST(UniformGenerator, KernelStepsWordsZeroToThreeOnly) {
  UniformGenerator g;
  g.put({400, 400, 400, 400, 400, 400, 400, 400});  // words 0-3 00900090, 4-7 00010001
  for (std::uint32_t expected : {0xB199829Eu, 0x61079B88u, 0xD8020CD6u}) {
    EXPECT_EQ(g.stream().next(), expected);
  }
  g.draw();
  for (int i = 4; i < 8; ++i) EXPECT_EQ(g.words()[static_cast<std::size_t>(i)], 0x00010001u);
}

TEST(UniformGenerator, PutScattersBytesOfTheReversedTable) {
  // Every byte distinct: p(1) holds bytes 00..03, p(8) bytes 1C..1F (least significant first).
  struct {
    const char* name;
    std::array<std::int32_t, kSeedSize> table;
    AllWords words;
  } cases[] = {
      {"distinct",
       {0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C, 0x13121110, 0x17161514, 0x1B1A1918,
        0x1F1E1D1C},
       {0x1A181E1Cu, 0x12101614u, 0x0A080E0Cu, 0x02000604u, 0x1B191F1Du, 0x13111715u, 0x0B090F0Du,
        0x03010705u}},
      {"clock table",
       {0, 37, 74, 111, 148, 185, 222, 259},
       {0x00DE0003u, 0x009400B9u, 0x004A006Fu, 0x00000025u, 0x00000001u, 0u, 0u, 0u}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UniformGenerator g;
    g.put(c.table);
    EXPECT_EQ(g.words(), c.words);
  }
}

TEST(UniformGenerator, DrawKeepsTheTopTwentyFourBits) {
  // Congruential words whose next value is the kernel output k (other words 0):
  // k = FFFFFFFF, FF and 100, found by inverting z -> 69069 z + 1327217885 modulo 2^32.
  struct {
    std::uint32_t z;
    float expected;
  } cases[] = {
      {0x8A447DAAu, 1.0f - 0x1p-24f},  // largest draw, below 1.0
      {0x6CEB82AAu, 0.0f},             // dropped low byte: exactly 0.0
      {0x12CE29AFu, 0x1p-24f},         // smallest non-zero draw
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.z);
    UniformGenerator g;
    g.stream() = KissWords{c.z, 0u, 0u, 0u};
    const float u = g.draw();
    EXPECT_EQ(u, c.expected);
    EXPECT_LT(u, 1.0f);
  }
}

TEST(UniformGenerator, DrawsAreMultiplesOfTwoToMinus24InUnitInterval) {
  UniformGenerator g;
  g.stream() = KissWords{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u};
  for (int i = 0; i < 1000000; ++i) {
    const float u = g.draw();
    const float scaled = u * 0x1p24f;  // exact: a power-of-two scale
    ASSERT_TRUE(u >= 0.0f && u < 1.0f) << "draw " << i;
    ASSERT_EQ(scaled, static_cast<float>(static_cast<std::int32_t>(scaled))) << "draw " << i;
  }
}

}  // namespace
}  // namespace kelvaro
