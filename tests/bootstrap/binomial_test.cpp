// Binomial counts: which rule runs, how many uniform draws it takes, and the count it returns.
// Expected counts were replayed by hand (in single precision) from the seed-400 stream.

#include "bootstrap/binomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "random/kiss_words.h"
#include "random/seeding.h"

namespace kelvaro {
namespace {

// Kernel steps that take `from` to the words `now`; -1 if more than `limit`.
int draws_since(KissWords from, const KissWords& now, int limit) {
  for (int d = 0; d <= limit; ++d) {
    if (from == now) return d;
    from.next();
  }
  return -1;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(BinomialCount, CountsAndDrawsFromSeed400) {
  struct {
    const char* what;
    std::int32_t n;
    float q;
    int draws;
    std::int32_t expected;
  } cases[] = {
      {"one draw per trial", 300, 0.5f, 300, 154},
      {"q = 0.9999 is not above it", 10, 0.9999f, 10, 10},
      {"NaN with few trials counts nothing", 5, kNaN, 5, 0},
      {"normal approximation", 301, 0.5f, 12, 165},
      {"q = 0.05 is not small", 1000, 0.05f, 12, 62},
      {"q = 0.95 is not large", 1000, 0.95f, 12, 962},
      {"NaN with many trials", 301, kNaN, 12, INT32_MIN},
      {"product rule, mean 10", 1000, 0.01f, 16, 15},
      {"product rule just below 0.05", 1000, std::nextafter(0.05f, 0.0f), 52, 51},
      {"product rule, exp(-103) subnormal", 2575, 0.04f, 113, 112},
      {"exp(-105) is 0: normal instead", 2625, 0.04f, 12, 122},
      {"exp(-970) is 0: normal instead", 1000, 0.97f, 12, 979},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UniformGenerator g = seeded_generator(400, 0);
    const KissWords before = g.stream();
    EXPECT_EQ(binomial_count(c.n, c.q, g), c.expected);
    EXPECT_EQ(draws_since(before, g.stream(), 1000), c.draws);
  }
}

TEST(BinomialCount, ReturnsWithoutDrawing) {
  struct {
    std::int32_t n;
    float q;
    std::int32_t expected;
  } cases[] = {
      {50, 0.99995f, 50}, {1000, 1.2f, 1000}, {1000, kInf, 1000},   {-5, 1.2f, -5},
      {400, 0.0f, 0},     {400, -0.0f, 0},    {10, -0.5f, 0},       {10, -kInf, 0},
      {0, 0.5f, 0},       {-7, 0.5f, 0},      {INT32_MIN, 0.3f, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "n " << c.n << " q " << c.q);
    UniformGenerator g = seeded_generator(400, 0);
    const KissWords before = g.stream();
    EXPECT_EQ(binomial_count(c.n, c.q, g), c.expected);
    EXPECT_EQ(draws_since(before, g.stream(), 0), 0);
  }
}

TEST(BinomialCount, DrawEqualToProbabilityIsASuccess) {
  const float first = 0xB1998200p-32f;  // first draw of seed 400
  struct {
    float q;
    std::int32_t expected;
  } cases[] = {{first, 1}, {std::nextafter(first, 0.0f), 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.q);
    UniformGenerator g = seeded_generator(400, 0);
    EXPECT_EQ(binomial_count(1, c.q, g), c.expected);
  }
}

}  // namespace
}  // namespace kelvaro
