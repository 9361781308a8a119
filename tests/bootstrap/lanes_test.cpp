// The lane kernels against the plain loop: every path this processor takes gives the counts and
// the final generator words that drawing one species after another gives, across the lanes'
// slice boundaries and for the replicates left over after them; and the choice of the path.
#include "bootstrap/lanes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bootstrap/class_index.h"
#include "bootstrap/isa.h"
#include "random/kiss_words.h"

namespace kelvaro {
namespace {

std::vector<Isa> supported_paths() {
  std::vector<Isa> paths;
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512, Isa::neon}) {
    if (isa_supported(isa)) paths.push_back(isa);
  }
  return paths;
}

// The plain rule on the float draw, species after species, replicate after replicate.
std::vector<std::uint32_t> plain_counts(const std::vector<float>& c, KissWords& words,
                                        std::int32_t n, std::int32_t count) {
  const auto t = static_cast<std::int32_t>(c.size());
  std::vector<std::uint32_t> counts(static_cast<std::size_t>(count * (t + 1)), 0u);
  for (std::int32_t r = 0; r < count; ++r) {
    for (std::int32_t s = 0; s < n; ++s) {
      const std::int32_t j = draw_class(c.data(), t, draw_of_word(words.next()));
      ++counts[static_cast<std::size_t>(r * (t + 1) + j - 1)];
    }
  }
  return counts;
}

// Non-decreasing cumulative probabilities: random steps, with zero steps (empty classes), a top
// at, below or above 1.
std::vector<float> random_bounds(std::mt19937& rng, std::int32_t t) {
  std::vector<float> c(static_cast<std::size_t>(t));
  std::uniform_real_distribution<float> step(0.0f, 2.0f / static_cast<float>(t));
  float sum = 0.0f;
  for (auto& ck : c) {
    if (rng() % 4 != 0) sum += step(rng);
    ck = sum;
  }
  return c;
}

struct Case {
  std::int32_t t;
  std::int32_t n;      // species per replicate
  std::int32_t count;  // replicates
};

TEST(Lanes, EveryPathCountsAsThePlainLoop) {
  std::mt19937 rng(2024);
  // Fewer replicates than lanes; exactly 8 and 16; slices with a remainder; no species; one.
  // The last narrow table (254 classes), the first wide one, and the most classes of a run (1000
  // sites with the frequency pair).
  std::vector<Case> cases = {{1, 50, 3},     {5, 40, 8},     {12, 37, 16},   {98, 200, 17},
                             {7, 0, 20},     {3, 1, 33},     {50, 500, 47},  {2, 13, 130},
                             {98, 3000, 40}, {253, 900, 19}, {254, 900, 19}, {1001, 3000, 21},
                             {1001, 20, 33}};
  for (int i = 0; i < 12; ++i) {
    cases.push_back({static_cast<std::int32_t>(1 + rng() % (i < 8 ? 98 : 1001)),
                     static_cast<std::int32_t>(rng() % 400),
                     static_cast<std::int32_t>(rng() % 70)});
  }
  for (const Case& k : cases) {
    const std::vector<float> c = random_bounds(rng, k.t);
    ClassIndex index;
    build_class_index(index, c.data(), k.t);
    ASSERT_TRUE(index.non_decreasing);
    const KissWords start{static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng()),
                          static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())};
    KissWords plain_end = start;
    const std::vector<std::uint32_t> expected = plain_counts(c, plain_end, k.n, k.count);
    for (Isa isa : supported_paths()) {
      SCOPED_TRACE(std::string(isa_name(isa)) + " t=" + std::to_string(k.t) +
                   " n=" + std::to_string(k.n) + " count=" + std::to_string(k.count));
      KissWords words = start;
      std::vector<std::uint32_t> counts(expected.size(), 0xDEADu);
      count_replicates(isa, index, words, k.n, k.count, counts.data());
      EXPECT_EQ(counts, expected);
      EXPECT_EQ(words, plain_end);
    }
  }
}

TEST(Lanes, ThresholdsCloserThanASliceAndReplicatesOfTheirOwnSizes) {
  // Classes narrower than a slice of the table (communities of more than 4096 species): the
  // table takes finer slices, and the draws in a slice that still holds two thresholds are
  // classed word by word. Then a subset's replicates, each from its own start with its own
  // size (none, negative, longer than the others), on rounds of the lanes.
  std::mt19937 rng(77);
  std::vector<std::vector<float>> bounds = {
      {0.3f, 0.30001f, 0.6f},          // one slice with two thresholds: the table stays coarse
      {},                              // 98 classes 1.5e-4 apart (0.6 slice): finer slices
      {},                              // 98 classes 1e-5 apart: a few slices with many thresholds
      {0.0f, 0.0f, 0.5f, 0.5f, 1.0f},  // empty classes, a class that takes nothing, c = 1
      {},  // wide: 1001 classes 1.5e-5 apart, finer slices than the wide table's first 14 bits
      {},  // wide: 600 classes 1e-6 apart, slices with many thresholds at 16 bits
      {-0.5f, -0.0f, 0.25f, 2.0f},  // below 0 (no draw), -0 (the draw 0 alone), above 1
  };
  for (std::int32_t j = 1; j <= 98; ++j) {
    bounds[1].push_back(static_cast<float>(j) * 1.5e-4f + 0.2f);
    bounds[2].push_back(static_cast<float>(j) * 1e-5f + 0.2f);
  }
  for (std::int32_t j = 1; j <= 1001; ++j) bounds[4].push_back(static_cast<float>(j) * 1.5e-5f);
  for (std::int32_t j = 1; j <= 600; ++j) bounds[5].push_back(static_cast<float>(j) * 1e-6f + 0.5f);
  for (const std::vector<float>& c : bounds) {
    const auto t = static_cast<std::int32_t>(c.size());
    ClassIndex index;
    build_class_index(index, c.data(), t);
    ASSERT_TRUE(index.non_decreasing);
    LaneTable table;
    build_lane_table(index, table);
    const KissWords start{static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng()),
                          static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())};
    const std::int32_t n = 2000, count = 37;
    KissWords plain_end = start;
    const std::vector<std::uint32_t> expected = plain_counts(c, plain_end, n, count);
    // Replicates of their own sizes from their own starts.
    std::vector<std::int32_t> sizes;
    std::vector<KissWords> starts;
    std::vector<std::uint32_t> expected_from;
    for (std::int32_t r = 0; r < 45; ++r) {
      sizes.push_back(r % 9 == 0 ? 0 : r % 11 == 0 ? -3 : static_cast<std::int32_t>(rng() % 700));
      starts.push_back({static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng()),
                        static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())});
      KissWords w = starts.back();
      const std::vector<std::uint32_t> row = plain_counts(c, w, std::max(sizes.back(), 0), 1);
      expected_from.insert(expected_from.end(), row.begin(), row.end());
    }
    for (Isa isa : supported_paths()) {
      SCOPED_TRACE(std::string(isa_name(isa)) + " t=" + std::to_string(t) +
                   " bits=" + std::to_string(table.bits));
      KissWords words = start;
      std::vector<std::uint32_t> counts(expected.size(), 0xDEADu);
      count_replicates(isa, index, table, words, n, count, counts.data());
      EXPECT_EQ(counts, expected);
      EXPECT_EQ(words, plain_end);
      std::vector<std::uint32_t> from(expected_from.size(), 0xDEADu);
      count_replicates_from(isa, index, table, starts.data(), sizes.data(),
                            static_cast<std::int32_t>(sizes.size()), from.data());
      EXPECT_EQ(from, expected_from);
    }
  }
}

TEST(Lanes, SliceBoundariesStartWhereTheStreamStands) {
  // One class boundary at 1/2: the counts of each replicate are a fingerprint of the words it
  // drew. The replicates at either side of each lane's slice boundary (q * k - 1, q * k) and the
  // first one after the slices must be the stream's, not a neighbour's or a repeat.
  const std::vector<float> c = {0.5f};
  ClassIndex index;
  build_class_index(index, c.data(), 1);
  const KissWords start{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u};
  for (Isa isa : supported_paths()) {
    const std::int32_t lanes = isa_lanes(isa);
    const std::int32_t q = 3, count = lanes * q + 2, n = 64;
    KissWords words = start;
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(count * 2));
    count_replicates(isa, index, words, n, count, counts.data());
    KissWords plain = start;
    const std::vector<std::uint32_t> expected = plain_counts(c, plain, n, count);
    for (std::int32_t r : {q - 1, q, 2 * q - 1, 2 * q, lanes * q - 1, lanes * q, count - 1}) {
      if (r >= count) continue;  // one lane: no second slice
      SCOPED_TRACE(std::string(isa_name(isa)) + " replicate " + std::to_string(r));
      EXPECT_EQ(counts[static_cast<std::size_t>(2 * r)], expected[static_cast<std::size_t>(2 * r)]);
      EXPECT_EQ(counts[static_cast<std::size_t>(2 * r + 1)],
                expected[static_cast<std::size_t>(2 * r + 1)]);
    }
    EXPECT_EQ(words, plain);
  }
}

TEST(Lanes, HeldClassesAreTheirNumeratorRanges) {
  // The kernels count the held classes by numerator range alone, so each range must hold every
  // numerator of its class and none of another's, to the edges: the numerators at both ends and
  // just outside them (a random draw almost never lands on an edge).
  std::mt19937 rng(5);
  std::vector<std::vector<float>> bounds = {{0.5f},
                                            {0.25f, 0.75f},
                                            {0.0f, 0.0f, 0.5f, 0.5f, 1.0f},
                                            {-0.5f, -0.0f, 0.25f, 2.0f},
                                            {0.1f, 0.2f, 0.3f, 0.9f},
                                            random_bounds(rng, 98),
                                            random_bounds(rng, 600)};
  for (const std::vector<float>& c : bounds) {
    const auto t = static_cast<std::int32_t>(c.size());
    SCOPED_TRACE("t=" + std::to_string(t));
    ClassIndex index;
    build_class_index(index, c.data(), t);
    LaneTable table;
    build_lane_table(index, table);
    for (int h = 0; h < 3; ++h) {
      const std::int32_t above = table.held_above[h], upto = table.held_upto[h];
      if (table.held[h] == 0) {
        EXPECT_LT(upto, above + 1);  // empty
        continue;
      }
      for (std::int64_t m : {std::int64_t{above}, std::int64_t{above} + 1, std::int64_t{upto},
                             std::int64_t{upto} + 1}) {
        if (m < 0 || m >= (1 << 24)) continue;
        const bool inside = m > above && m <= upto;
        const auto word = static_cast<std::uint32_t>(m) << 8;
        EXPECT_EQ(table_class(index, word) == table.held[h], inside) << "m=" << m;
      }
    }
  }
}

TEST(Isa, ChoiceFromTheEnvironmentValue) {
  const Isa best = best_isa();
  std::string warning;
  struct Row {
    const char* request;
    bool known;
  };
  for (const Row& row :
       {Row{nullptr, true}, Row{"", true}, Row{"scalar", true}, Row{"avx2", true},
        Row{"avx512", true}, Row{"neon", true}, Row{"AVX2", false}, Row{"sse", false}}) {
    SCOPED_TRACE(row.request == nullptr ? "(unset)" : row.request);
    const Isa isa = choose_isa(row.request, warning);
    if (!row.known) {
      EXPECT_EQ(isa, best);
      EXPECT_NE(warning.find("is not a path (scalar, avx2, avx512 or neon); using "),
                std::string::npos);
      continue;
    }
    if (row.request == nullptr || *row.request == '\0') {
      EXPECT_EQ(isa, best);
      EXPECT_EQ(warning, "");
      continue;
    }
    const bool asked_for_supported =
        isa_supported(isa) && std::string(isa_name(isa)) == row.request;
    if (asked_for_supported) {
      EXPECT_EQ(warning, "");
    } else {
      // A path the processor lacks: said so, and the best one taken.
      EXPECT_EQ(isa, best);
      EXPECT_EQ(warning, std::string("KELVARO_ISA=") + row.request +
                             ": this processor (or this build) lacks it; using " + isa_name(best));
    }
  }
  EXPECT_TRUE(isa_supported(Isa::scalar));
  EXPECT_TRUE(isa_supported(best));
}

}  // namespace
}  // namespace kelvaro
