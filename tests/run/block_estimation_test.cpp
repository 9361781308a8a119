// One block's estimate, bootstrap and M(h) test as a run makes them: the report lines, the
// unrounded estimate kept beside the rounded one, and the frequency vector put back after a
// frequency-pair estimate.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "support/report_records.h"

namespace kelvaro {
namespace {

struct Block {
  RunResult result;
  std::vector<std::string> lines;  // the block's section, after the banner and its title
};

// A run of Sample 1 alone: t sites, f (and f' behind it with the pair), n.
Block run_block(const std::string& f, std::int32_t t, std::int32_t nreps, bool pair,
                const std::string& n, const std::string& f_pair = "") {
  const std::string input = std::to_string(t) + " " + std::to_string(t) + (pair ? " 1 " : " 0 ") +
                            std::to_string(nreps) + " 400\n" + f + "\n" + n + "\n" + f_pair + "\n";
  std::ostringstream out;
  Block b{run_text(input, Settings{}, &out), {}};
  const auto all = testing::records(out.str());
  b.lines.assign(all.begin() + 10, all.end());
  return b;
}

TEST(BlockEstimation, WorkedExampleLinesAndUnroundedEstimate) {
  // f = (20, 8, 3, 1, 0): the jackknife gives 56.97 with SE 9.64; the report rounds to 57.
  const Block b = run_block("20 8 3 1 0", 5, 0, false, "10 10 10 10 9");
  const auto& lines = b.lines;
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], " Total species observed, R(1)   =           32");
  EXPECT_EQ(
      lines[1],
      " Observed frequencies, f(i) =           20           8           3           1           0");
  EXPECT_EQ(lines[2], "  ");
  EXPECT_EQ(lines[3].substr(0, 54), " Species richness estimate, N(1)   =    57.000000     ");
  EXPECT_EQ(lines[3].substr(54, 14), ", SE(N(1)  ) =");
  EXPECT_EQ(lines[4], "  ");
  EXPECT_EQ(lines[5], "  ");  // nreps = 0: the closing blank record follows at once
  EXPECT_EQ(lines[6], " M(h) GOF test:");
  const BlockResult& r = b.result.blocks.at(0);
  EXPECT_NEAR(r.estimate, 56.97f, 0.005f);
  EXPECT_EQ(r.rounded_estimate, 57.0f);
  EXPECT_NEAR(r.standard_error, 9.64f, 0.005f);
  EXPECT_EQ(r.observed, 32);
}

TEST(BlockEstimation, NoSpeciesMeansNoBootstrapAndNoTest) {
  const Block b = run_block("0 0 0", 3, 5, false, "1 1 1");
  ASSERT_EQ(b.lines.size(), 5u);
  EXPECT_EQ(b.lines[0], " Total species observed, R(1)   =            0");
  EXPECT_EQ(
      b.lines[3],
      " Species richness estimate, N(1)   =    0.0000000     , SE(N(1)  ) =    0.0000000    ");
  EXPECT_EQ(b.lines[4], "  ");
  EXPECT_FALSE(b.result.blocks.at(0).bootstrapped);
  EXPECT_TRUE(b.result.blocks.at(0).replicate_estimates.empty());
  EXPECT_FALSE(b.result.blocks.at(0).goodness_of_fit);
}

TEST(BlockEstimation, NoSiteDataMeansNoTest) {
  // Everything but the M(h) test.
  const Block b = run_block("2 3", 2, 0, false, "0 0");
  EXPECT_EQ(b.lines.back(), "  ");
}

TEST(BlockEstimation, FrequencyPairEstimatesFromTheSecondVectorAndPutsTheFirstBack) {
  // t0 = 3: the estimate comes from f' = (3, 2, 1, 1) with t = 4, the M(h) test from f and t0.
  // A null value in Sample 2's f record then keeps Sample 1's f, put back after the bootstrap.
  const std::string input = "3 3 1 0 400\n4 2 1\n4 3 4\n3 2 1 1\n3*\n4 3 4\n3 2 1 1\n";
  std::ostringstream out;
  const RunResult r = run_text(input, Settings{}, &out);
  const auto lines = testing::records(out.str());
  EXPECT_EQ(lines[10], " Total species observed, R(1)   =            7");
  EXPECT_EQ(lines[11],
            " Observed frequencies, f'(i) =            3           2           1           1");
  ASSERT_GE(r.blocks.size(), 2u);
  ASSERT_TRUE(r.blocks[1].goodness_of_fit);
  EXPECT_EQ(r.blocks[1].goodness_of_fit->f, (std::vector<std::int32_t>{4, 2, 1}));
  EXPECT_EQ(r.blocks[0].classes, 4);
  EXPECT_EQ(r.blocks[0].goodness_of_fit->t, 3);
}

TEST(BlockEstimation, HalfEstimatesRoundUpInTheReportOnly) {
  // t = 2, f = (1, 11): the one test has D = 0 and X0 = 13.5/12.5 stays below 3.84 with M < 20,
  // so the estimate is N(1) = 1.5*1 + 11 = 12.5 exactly; f = (3, 10) gives N(1) = 14.5.
  struct {
    const char* f;
    float estimate;
    float rounded;
  } cases[] = {{"1 11", 12.5f, 13.0f}, {"3 10", 14.5f, 15.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.f);
    const Block b = run_block(c.f, 2, 0, false, "6 6");
    EXPECT_EQ(b.result.blocks.at(0).estimate, c.estimate);
    EXPECT_EQ(b.result.blocks.at(0).rounded_estimate, c.rounded);
  }
}

}  // namespace
}  // namespace kelvaro
