// The class lookup table against the plain rule (the largest k with u > c(k), scanned downward).
#include "bootstrap/class_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace kelvaro {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kDrawStep = 0x1p-24f;  // the generator's draws are multiples of 2^-24

// The generator word whose draw is the largest draw not above u (0 <= u < 1), with random low
// bits (they do not reach the draw).
std::uint32_t word_at(float u, std::mt19937& rng) {
  const auto m = static_cast<std::uint32_t>(std::floor(static_cast<double>(u) / kDrawStep));
  return (m << 8) | (rng() & 0xFFu);
}

// Every word worth asking about for table c: the draws at and next to 0, the largest draw, each
// c(k) (ties and near-ties), each slice's lower end near the c(k), and random draws.
std::vector<std::uint32_t> probes(const std::vector<float>& c, std::mt19937& rng) {
  std::vector<std::uint32_t> words = {0u, 0xFFu, 0x100u, 0xFFFFFF00u, 0xFFFFFFFFu, 0x80000000u};
  for (const float ck : c) {
    if (!(ck >= 0.0f && ck < 1.0f)) continue;
    for (const float u : {ck, std::nextafter(ck, kInf), std::nextafter(ck, -kInf), ck + kDrawStep,
                          ck - kDrawStep}) {
      if (u >= 0.0f && u < 1.0f) words.push_back(word_at(u, rng));
    }
    const std::uint32_t slice_start = static_cast<std::uint32_t>(std::floor(ck * kClassIndexSlices))
                                      << (32 - kClassIndexBits);
    words.push_back(slice_start);
    words.push_back(slice_start - 1);
  }
  for (int i = 0; i < 2000; ++i) words.push_back(static_cast<std::uint32_t>(rng()));
  return words;
}

// Cumulative sums of x / e in single precision, as the bootstrap forms them.
std::vector<float> cumulative(const std::vector<float>& x, float e) {
  std::vector<float> c(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) c[i] = i == 0 ? x[0] / e : c[i - 1] + x[i] / e;
  return c;
}

void expect_same_classes(const std::vector<float>& c, std::mt19937& rng) {
  ClassIndex index;
  const auto t = static_cast<std::int32_t>(c.size());
  build_class_index(index, c.data(), t);
  for (const std::uint32_t w : probes(c, rng)) {
    ASSERT_EQ(find_class(index, w), draw_class(c.data(), t, draw_of_word(w))) << "word " << w;
  }
}

TEST(ClassIndex, WorkedExamples) {
  // The plain rule is strict (a draw equal to c(k) stays in class k) and takes the largest k with
  // u > c(k) when the table falls; the index gives the same classes.
  struct {
    std::vector<float> c;
    float u;
    std::int32_t cls;
  } cases[] = {
      {{0.25f, 0.25f, 0.5f}, 0.25f, 1},  // equal to c(1) and c(2): stays in class 1
      {{0.25f, 0.25f, 0.5f}, 0.3f, 3},   // above both equal entries
      {{0.25f, 0.25f, 0.5f}, 0.5f, 3},
      {{0.25f, 0.25f, 0.5f}, 0.75f, 4},  // not detected
      {{0.25f, 0.25f, 0.5f}, 0.0f, 1},
      // x = (5, 3, 2), estimate 14: 0.6 in class 3, 0.8 not detected, c(1) itself in class 1.
      {cumulative({5, 3, 2}, 14.0f), 0.6f, 3},
      {cumulative({5, 3, 2}, 14.0f), 0.8f, 4},
      {cumulative({5, 3, 2}, 14.0f), 5.0f / 14.0f, 1},
      {cumulative({5, 3, 2}, 14.0f), 0.4f, 2},
      {cumulative({5, 3, 2}, 14.0f), 10.0f / 14.0f, 3},  // c(3) exactly
      {cumulative({5, 3, 2}, 14.0f), 0.99999994f, 4},
      {{0.5f, 0.2f, 0.1f}, 0.3f, 4},  // falling table (negative frequencies)
      {{0.5f, 0.2f, 0.1f}, 0.15f, 4},
      {{0.5f, 0.2f, 0.1f}, 0.05f, 1},
      {{0.0f, 0.0f}, 0.0f, 1},  // u = 0 exceeds nothing
      {{0.0f, 0.0f}, kDrawStep, 3},
      {{1.5f, 2.0f}, 1.0f - kDrawStep, 1},  // c above 1: no draw leaves class 1
  };
  std::mt19937 rng(5);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "u=" << k.u << " t=" << k.c.size());
    ClassIndex index;
    const auto t = static_cast<std::int32_t>(k.c.size());
    build_class_index(index, k.c.data(), t);
    EXPECT_EQ(draw_class(k.c.data(), t, k.u), k.cls);
    // The word of the draw at or just below u falls where the plain rule puts that draw.
    const std::uint32_t w = word_at(k.u, rng);
    EXPECT_EQ(find_class(index, w), draw_class(k.c.data(), t, draw_of_word(w)));
  }
}

TEST(ClassIndex, MatchesThePlainRuleOnRandomTables) {
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> count(0, 30);
  std::uniform_int_distribution<int> position(0, 97);
  struct {
    const char* what;
    std::int32_t t;
    float extra;    // estimate beyond the observed species (negative: fewer)
    bool zeros;     // many empty classes: runs of equal c
    bool negative;  // some negative frequencies: c falls somewhere
    float special;  // a value put into one entry (0 for none)
  } kinds[] = {
      {"non-negative frequencies", 98, 40.0f, false, false, 0.0f},
      {"many equal consecutive entries", 98, 10.0f, true, false, 0.0f},
      {"all species detected (c(t) = 1)", 60, 0.0f, false, false, 0.0f},
      {"c above 1 (estimate below the count)", 50, -30.0f, false, false, 0.0f},
      {"negative entries", 98, 20.0f, false, true, 0.0f},
      {"NaN entry", 98, 20.0f, false, false, kNaN},
      {"+Inf entry", 98, 20.0f, false, false, kInf},
      {"-Inf entry", 98, 20.0f, false, false, -kInf},
      {"one class", 1, 5.0f, false, false, 0.0f},
      // The most classes a run estimates from (1000 sites with the frequency pair): slice starts
      // beyond a byte.
      {"1001 classes", 1001, 50.0f, true, false, 0.0f},
      {"1001 classes, few empty", 1001, 300.0f, false, false, 0.0f},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.what);
    for (int round = 0; round < 20; ++round) {
      std::vector<float> x(static_cast<std::size_t>(kind.t));
      float total = 0.0f;
      for (auto& v : x) {
        v = static_cast<float>(count(rng));
        if (kind.zeros && count(rng) < 20) v = 0.0f;
        if (kind.negative && count(rng) < 4) v = -v;
        total += v;
      }
      std::vector<float> c = cumulative(x, std::max(1.0f, total + kind.extra));
      if (kind.special != 0.0f) {
        c[static_cast<std::size_t>(position(rng)) % c.size()] = kind.special;
      }
      expect_same_classes(c, rng);
    }
  }
}

TEST(ClassIndex, TablesThatAreNotNonDecreasingUseThePlainRule) {
  struct {
    const char* what;
    std::vector<float> c;
    bool non_decreasing;
  } cases[] = {
      {"rising", {0.1f, 0.2f, 0.3f}, true},
      {"equal entries", {0.2f, 0.2f, 0.2f}, true},
      {"infinities at the ends", {-kInf, 0.5f, kInf}, true},
      {"falling", {0.5f, 0.2f, 0.1f}, false},
      {"one fall", {0.1f, 0.3f, 0.2f, 0.4f}, false},
      {"NaN first", {kNaN, 0.2f}, false},
      {"NaN last", {0.1f, kNaN}, false},
      {"NaN alone", {kNaN}, false},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    ClassIndex index;
    build_class_index(index, k.c.data(), static_cast<std::int32_t>(k.c.size()));
    EXPECT_EQ(index.non_decreasing, k.non_decreasing);
    std::mt19937 rng(3);
    expect_same_classes(k.c, rng);
  }
}

}  // namespace
}  // namespace kelvaro
