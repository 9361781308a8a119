#include <gtest/gtest.h>

#include "kelvaro/checked_output.h"
#include "kelvaro/surveys.h"
#include "surveys/audit.h"

namespace kelvaro::prep {
namespace {

// Species a, b, c, d (ids 0..3).
// Sample 1: sites s1..s3; a at s1, b at s1 and s3, c named but never detected.
// Sample 2: sites u1, u2; b at both, d at u2 (d only in this file), a named but not detected.
Survey hand_survey() {
  Survey s(false);
  for (const char* name : {"a", "b", "c", "d"}) s.species.intern(name, {});
  s.sample1.sites = {"s1", "s2", "s3"};
  s.sample1.detect(0, 0);
  s.sample1.detect(1, 0);
  s.sample1.detect(1, 2);
  s.sample1.name(2);
  s.sample2.sites = {"u1", "u2"};
  s.sample2.detect(1, 0);
  s.sample2.detect(1, 1);
  s.sample2.detect(3, 1);
  s.sample2.name(0);
  return s;
}

TEST(Blocks, FourBlocksDerivedByHand) {
  // Hand derivation: Sample 1 detects a (1 site) and b (2 sites): f = (1, 1, 0); s1 holds a, b,
  // s3 holds b: n = (2, 0, 1). Sample 2 detects b (2 sites), d (1 site): f = (1, 1), n = (1, 2).
  // Only b is detected in both: in Sample 2 at 2 of 2 sites, in Sample 1 at s1 and s3.
  const KelvaroBlocks blocks = derive_blocks(hand_survey());
  const struct {
    const char* name;
    const Block& block;
    std::vector<std::int32_t> f, n;
  } cases[] = {
      {"Sample 1", blocks.sample1, {1, 1, 0}, {2, 0, 1}},
      {"Sample 2", blocks.sample2, {1, 1}, {1, 2}},
      {"Subset A", blocks.subset_a, {0, 1}, {1, 1}},
      {"Subset B", blocks.subset_b, {0, 1, 0}, {1, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.block.f, c.f);
    EXPECT_EQ(c.block.n, c.n);
  }
}

TEST(Blocks, NoCommonSpeciesGivesZeroSubsets) {
  Survey s = hand_survey();
  s.sample2 = Sample();
  s.sample2.sites = {"u1"};
  s.sample2.detect(3, 0);  // only d
  const KelvaroBlocks blocks = derive_blocks(s);
  EXPECT_EQ(blocks.subset_a.f, std::vector<std::int32_t>{0});
  EXPECT_EQ(blocks.subset_b.f, (std::vector<std::int32_t>{0, 0, 0}));
  EXPECT_EQ(blocks.subset_b.n, (std::vector<std::int32_t>{0, 0, 0}));
}

TEST(SiteSet, CountsAndVisitsInOrderInlineAndBeyond) {
  const struct {
    const char* name;
    std::vector<int> added;
    std::vector<int> visited;
  } cases[] = {
      {"none", {}, {}},
      {"inline words only", {97, 0, 64, 63, 0}, {0, 63, 64, 97}},
      {"beyond the inline words only", {999, 128, 128}, {128, 999}},
      {"both, every word's edges",
       {999, 127, 128, 0, 191, 192, 960, 959},
       {0, 127, 128, 191, 192, 959, 960, 999}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SiteSet set;
    for (int site : c.added) set.add(site);
    const SiteSet copy = set;
    set.add(500);  // the copy does not share the words beyond 127
    std::vector<int> visited;
    copy.for_each([&](int site) { visited.push_back(site); });
    EXPECT_EQ(visited, c.visited);
    EXPECT_EQ(copy.count(), static_cast<int>(c.visited.size()));
    EXPECT_EQ(copy.empty(), c.visited.empty());
    EXPECT_FALSE(copy.contains(500));
    EXPECT_TRUE(set.contains(500));
    for (int site : c.visited) EXPECT_TRUE(copy.contains(site)) << site;
  }
}

TEST(InputWriter, OneRecordPerLine) {
  const KelvaroBlocks blocks = derive_blocks(hand_survey());
  const struct {
    const char* name;
    RunSettings settings;
    const char* header;
  } cases[] = {
      {"defaults", {}, "3 2 0 50 400\n"},
      {"no range adjustment writes t1 negative", {50, 400, false}, "-3 2 0 50 400\n"},
      {"detail lines and clock seed", {-20, 0, true}, "3 2 0 -20 0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(kelvaro_input(blocks, c.settings), std::string(c.header) +
                                                     "1 1 0\n2 0 1\n"    // Sample 1
                                                     "1 1\n1 2\n"        // Sample 2
                                                     "0 1\n1 1\n"        // Subset A
                                                     "0 1 0\n1 0 1\n");  // Subset B
  }
}

TEST(Audit, OneRowPerSpeciesOfEitherFile) {
  Survey s = hand_survey();
  s.sources = {"Sample 1: a.csv (comma-separated)", "Sample 2: b.csv (tab-separated)"};
  tools::StringOutput out;
  write_audit([&](std::string_view text) { out.write(text); }, s);
  EXPECT_EQ(out.text(),
            "# kelvaro-prep audit\r\n"
            "# Sample 1: a.csv (comma-separated)\r\n"
            "# Sample 2: b.csv (tab-separated)\r\n"
            "species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b\r\n"
            "a,1,0,1,0,0,0\r\n"
            "b,2,2,1,1,1,1\r\n"
            "c,0,0,0,0,0,0\r\n"
            "d,0,1,0,1,0,0\r\n");
}

TEST(Audit, SpeciesNamesAreQuoted) {
  Survey s(false);
  s.sample1.sites = {"s1"};
  s.sample2.sites = {"u1"};
  s.sample1.detect(s.species.intern("Genus, sp.", {}), 0);
  s.sample2.detect(s.species.intern("say \"x\"", {}), 0);
  s.sample2.detect(s.species.intern("#3", {}), 0);
  tools::StringOutput out;
  write_audit([&](std::string_view text) { out.write(text); }, s);
  EXPECT_NE(out.text().find("\r\n\"Genus, sp.\",1,0,1,0,0,0\r\n\"say \"\"x\"\"\",0,1,0,1,0,0\r\n"
                            "\"#3\",0,1,0,1,0,0\r\n"),
            std::string::npos)
      << out.text();
}

}  // namespace
}  // namespace kelvaro::prep
