#include "compn/bootstrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "jack/readj.h"
#include "ran/kiss.h"
#include "shared/storage.h"
#include "textio/report.h"
#include "report_records.h"

namespace kelvaro {
namespace {

// Sets up block data x(1..t) with an already rounded estimate, as compn leaves it.
void set_block(const std::vector<float>& x, float estimate) {
  reset_storage();
  work01.t = static_cast<std::int32_t>(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) work01.x(static_cast<int>(i) + 1) = x[i];
  work01.est = estimate;
}

std::vector<float> cumulative(const std::vector<float>& x, float e) {
  std::vector<float> c;
  float sum = 0.0f;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sum = i == 0 ? x[0] / e : sum + x[i] / e;
    c.push_back(sum);
  }
  return c;
}

TEST(Bootstrap, DrawClassIsStrictOnTheCumulativeTable) {
  // x = (5, 3, 2) with estimate 14: c = (0.357143, 0.571429, 0.714286).
  const auto c = cumulative({5, 3, 2}, 14.0f);
  EXPECT_NEAR(c[0], 0.357143f, 1e-6f);
  EXPECT_NEAR(c[1], 0.571429f, 1e-6f);
  EXPECT_NEAR(c[2], 0.714286f, 1e-6f);
  struct {
    float u;
    std::int32_t cls;
  } cases[] = {
      {0.0f, 1}, {0.2f, 1}, {c[0], 1},  // a draw equal to c(1) stays in class 1
      {0.4f, 2}, {0.6f, 3},  {c[2], 3},  {0.8f, 4},  // above c(3): not detected
      {0.99999994f, 4},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.u);
    EXPECT_EQ(draw_class(c.data(), 3, k.u), k.cls);
  }
}

TEST(Bootstrap, DrawClassTakesTheLargestClassWhenTheTableFalls) {
  // Negative frequencies make the table fall; the largest k with u > c(k) decides.
  const float c[] = {0.5f, 0.2f, 0.1f};
  EXPECT_EQ(draw_class(c, 3, 0.3f), 4);
  EXPECT_EQ(draw_class(c, 3, 0.15f), 4);
  EXPECT_EQ(draw_class(c, 3, 0.05f), 1);
}

TEST(Bootstrap, ReplicateFollowsTheDrawsInOrder) {
  // Block 1, estimate 20: each of the 20 species takes one draw; nobsb is N less the
  // not-detected class. Replay the same draws by hand from a copy of the stream.
  set_block({5, 3, 2}, 20.0f);
  generator.state[0] = 0x00900090u;
  generator.state[1] = 0x00900090u;
  generator.state[2] = 0x00900090u;
  generator.state[3] = 0x00900090u;
  Generator replay = generator;
  const auto c = cumulative({5, 3, 2}, 20.0f);
  textio::set_report_stream(nullptr);
  bootstrap(1, 1);

  std::vector<float> counts(5, 0.0f);
  for (int s = 0; s < 20; ++s) {
    const std::uint32_t k = kiss_random_kernel(replay.state);
    const float u = static_cast<float>(k & 0xFFFFFF00u) * 0x1p-32f;
    counts[static_cast<std::size_t>(draw_class(c.data(), 3, u))] += 1.0f;
  }
  EXPECT_EQ(work04.nobsb(1, 1), 20 - static_cast<std::int32_t>(counts[4]));
  EXPECT_EQ(work01.x(1), counts[1]);
  EXPECT_EQ(work01.x(2), counts[2]);
  EXPECT_EQ(work01.x(3), counts[3]);
  EXPECT_EQ(work01.x(4), 0.0f);  // the not-detected class is cleared before the estimate
  EXPECT_EQ(std::vector<std::uint32_t>(generator.state, generator.state + 4),
            std::vector<std::uint32_t>(replay.state, replay.state + 4));
  EXPECT_EQ(work04.boot(1, 1), work01.est);
}

TEST(Bootstrap, ReplicateCountsFollowThePlainRuleForAnyNumberOfClasses) {
  // Short tables are scanned, longer ones looked up; either way each species' class is the plain
  // rule's. Falling tables (negative frequencies) and one class above 1 included.
  struct {
    const char* what;
    std::vector<float> x;
    float estimate;
  } cases[] = {
      {"three classes", {5, 3, 2}, 20.0f},
      {"five classes", {6, 0, 0, 2, 1}, 15.0f},
      {"many classes, equal entries", {9, 4, 0, 0, 3, 0, 2, 0, 0, 1, 1, 0, 0, 0, 1, 2}, 40.0f},
      {"falling table", {6, -2, 3, 1, -1, 2, 4, 0}, 25.0f},
      {"estimate below the count", {10, 6, 3, 2, 1, 1, 2}, 20.0f},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    set_block(k.x, k.estimate);
    reset_generator();
    Generator replay = generator;
    const auto t = static_cast<std::int32_t>(k.x.size());
    const auto c = cumulative(k.x, k.estimate);
    textio::set_report_stream(nullptr);
    bootstrap(2, 1);
    std::vector<float> counts(static_cast<std::size_t>(t) + 2, 0.0f);
    for (int r = 0; r < 2; ++r) {
      std::fill(counts.begin(), counts.end(), 0.0f);
      for (int s = 0; s < static_cast<int>(k.estimate); ++s) {
        const std::uint32_t word = kiss_random_kernel(replay.state);
        const float u = static_cast<float>(word & 0xFFFFFF00u) * 0x1p-32f;
        counts[static_cast<std::size_t>(draw_class(c.data(), t, u))] += 1.0f;
      }
    }
    // The second replicate's counts stay in x; the not-detected class shows in nobsb.
    for (std::int32_t i = 1; i <= t; ++i) {
      EXPECT_EQ(work01.x(i), counts[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(work04.nobsb(2, 1),
              static_cast<std::int32_t>(k.estimate) -
                  static_cast<std::int32_t>(counts[static_cast<std::size_t>(t) + 1]));
  }
}

TEST(Bootstrap, NoReplicatesDrawNothing) {
  set_block({5, 3, 2}, 14.0f);
  reset_generator();
  const Generator before = generator;
  std::ostringstream out;
  textio::set_report_stream(&out);
  bootstrap(0, 1);
  textio::set_report_stream(nullptr);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(std::vector<std::uint32_t>(generator.state, generator.state + 8),
            std::vector<std::uint32_t>(before.state, before.state + 8));
  EXPECT_EQ(work04.boot(1, 1), 0.0f);
}

TEST(Bootstrap, NegativeIterationsPrintTheDetailRecords) {
  set_block({5, 3, 2}, 14.0f);
  reset_generator();
  std::ostringstream out;
  textio::set_report_stream(&out);
  bootstrap(-3, 2);
  textio::set_report_stream(nullptr);
  const std::vector<std::string> lines = testing::records(out.str());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "   ");  // the text item of two blanks after the record's own blank
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), 1u + 8 * 6 + 12);
    // Classes 5 to 7 lie above t + 2 = 5 or are cleared: slots 4..7 print 0.
    EXPECT_EQ(lines[static_cast<std::size_t>(i)].substr(19, 24),
              "     0     0     0     0");
  }
  EXPECT_EQ(lines[4], "  ");
  EXPECT_EQ(lines[5].size(), 6u * 9);
  EXPECT_EQ(lines[5].substr(27), "     0.00     0.00     0.00");
  // The last replicate's values are what the detail line shows.
  EXPECT_EQ(work01.x(1) + work01.x(2) + work01.x(3),
            static_cast<float>(std::stoi(lines[3].substr(43, 6))));
}

TEST(Bootstrap, SubsetCommunityIsBoundedByTheParentCount) {
  // Estimate 30 over a parent of 20 observed species: q > 1, so N = 20 without a binomial draw.
  set_block({6, 4, 2}, 30.0f);
  work03.nobs(1) = 20;
  reset_generator();
  Generator replay = generator;
  bootstrap(1, 3);
  for (int s = 0; s < 20; ++s) kiss_random_kernel(replay.state);
  EXPECT_EQ(std::vector<std::uint32_t>(generator.state, generator.state + 4),
            std::vector<std::uint32_t>(replay.state, replay.state + 4));
  EXPECT_EQ(work04.nobsb(1, 1), 0);  // subsets leave nobsb alone
}

}  // namespace
}  // namespace kelvaro
