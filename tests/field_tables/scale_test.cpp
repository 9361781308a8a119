// Many species through the hash path: a long table of 100,000 records naming 50,000 species and
// two wide tables of 20,000 species each. With species found by searching along a list these
// took minutes; with hash lookups they take a fraction of a second. (Times are measured in the
// benchmark, bench/tools_bench.cpp; this test checks the counts.)

#include <gtest/gtest.h>

#include "field_tables/prep_helpers.h"

namespace kelvaro::prep {
namespace {

TEST(Scale, FiftyThousandSpeciesInALongTable) {
  // Species i is detected in sample A at site i % 98, and, when i is even, in sample B at site
  // i % 50. Every species is detected at one site: f(1) counts them all.
  constexpr int kSpecies = 50000;
  std::string text = "sample,site,species\n";
  for (int i = 0; i < kSpecies; ++i) {
    const std::string name = "Genus species-" + std::to_string(i);
    text += "A,s" + std::to_string(i % 98) + "," + name + "\n";
    if (i % 2 == 0) text += "B,u" + std::to_string(i % 50) + "," + name + "\n";
  }
  const KelvaroBlocks blocks = derive_blocks(long_table(text));
  EXPECT_EQ(blocks.sample1.f.size(), 98u);
  EXPECT_EQ(blocks.sample1.f[0], kSpecies);
  EXPECT_EQ(blocks.sample1.n[0], 511);   // i = 0, 98, ..., 49980: 511 values
  EXPECT_EQ(blocks.sample1.n[97], 510);  // i = 97, ..., 49979
  // B's sites in order of first appearance: u0, u2, ..., u48; each holds 1000 species.
  EXPECT_EQ(blocks.sample2.f.size(), 25u);
  EXPECT_EQ(blocks.sample2.f[0], kSpecies / 2);
  EXPECT_EQ(blocks.sample2.n, std::vector<std::int32_t>(25, 1000));
  EXPECT_EQ(blocks.subset_a.f[0], kSpecies / 2);
  EXPECT_EQ(blocks.subset_b.f[0], kSpecies / 2);
}

TEST(Scale, TwentyThousandSpeciesInTwoWideTables) {
  // Sample 1 names species 0..19999, Sample 2 the same in reverse order; both detect species i
  // at their one site when i % 3 == 0.
  constexpr int kSpecies = 20000;
  std::string header1 = "site", header2 = "site", row1 = "s1", row2 = "u1";
  for (int i = 0; i < kSpecies; ++i) {
    const int j = kSpecies - 1 - i;
    header1 += ",Sp." + std::to_string(i);
    header2 += ",Sp." + std::to_string(j);
    row1 += i % 3 == 0 ? ",1" : ",0";
    row2 += j % 3 == 0 ? ",1" : ",0";
  }
  const Survey survey = wide_pair(header1 + "\n" + row1 + "\n", header2 + "\n" + row2 + "\n");
  EXPECT_EQ(survey.species.size(), static_cast<std::size_t>(kSpecies));
  EXPECT_EQ(input_of(survey), "1 1 0 50 400\n6667\n6667\n6667\n6667\n6667\n6667\n6667\n6667\n");
}

}  // namespace
}  // namespace kelvaro::prep
