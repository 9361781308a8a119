// The M(h) goodness-of-fit test, through the records the report writer makes of it.
#include "goodness_of_fit/site_count_spread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "report/report_writer.h"
#include "support/report_records.h"

namespace kelvaro {
namespace {

// The records of the test of sites n(1..t), frequencies f(1..t) in a bootstrapped block's section,
// after the block's own six records; with heading false, also after the test's heading and its
// n(i) and f(i) lists.
std::vector<std::string> test_records(const std::vector<std::int32_t>& n,
                                      const std::vector<std::int32_t>& f, bool heading = false) {
  BlockResult b;
  b.bootstrapped = true;
  b.goodness_of_fit = goodness_of_fit_test(n, f);
  std::ostringstream out;
  ReportWriter(&out).block_section(RunResult{}, b);
  std::vector<std::string> lines = testing::records(out.str());
  lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(heading ? 6 : 10, lines.size()));
  return lines;
}

// Expected lines laid out by hand: free-form texts joined, integers in 11 columns after one blank;
// the result line by its layout (f8.3, i3, f8.4).
TEST(GoodnessOfFit, WorkedExample) {
  // 1 - P(chi-square(2) <= 1/3) = exp(-1/6).
  EXPECT_EQ(test_records({4, 3, 4}, {4, 2, 1}, true),
            (std::vector<std::string>{
                " M(h) GOF test:", " ==============",
                " Observed species,     n(i) =            4           3           4",
                " Observed frequencies, f(i) =            4           2           1",
                " M(h) GOF test: Chi-square =    0.333 df =   2 Prob =   0.8465"}));
}

TEST(GoodnessOfFit, ReportsStatisticAndProbability) {
  const std::string box = " **************************";
  // 1000 sites, each species seen at one of them: nbar = 1, S2 = 1000 x 0.001 x 0.999.
  std::vector<std::int32_t> one_each(1000, 0);
  one_each[0] = 1000;
  std::vector<std::int32_t> alternating(1000, 0);  // 2, 0, 2, 0, ...: S1 = 1000
  for (std::size_t i = 0; i < alternating.size(); i += 2) alternating[i] = 2;
  struct {
    const char* name;
    std::vector<std::int32_t> n, f;
    std::vector<std::string> expected;
  } cases[] = {
      {"one site",
       {5},
       {5},
       {box, " ** error in gof routine **", box,
        " M(h) GOF test: Chi-square =    0.000 df =   0 Prob =   1.0000"}},
      {"every species at every site",
       {5, 5, 5},
       {0, 0, 5},
       {box, " ** error in gof routine **", box,
        " M(h) GOF test: Chi-square =    0.000 df =   2 Prob =   1.0000"}},
      // D = 1 + 2 x 8388608 = 2^24 + 1 rounds to 2^24 in single precision, so nbar = 8388608 =
      // n(1) = n(2) and X = 0 (a sum kept in double would give nbar = 8388608.5 and X = 1.000).
      {"detections summed in single precision",
       {8388608, 8388608},
       {1, 8388608},
       {" M(h) GOF test: Chi-square =    0.000 df =   1 Prob =   1.0000"}},
      // X = (228/9) / (2/9) x 2/3 = 76 with 2 df: the series puts the distribution function a
      // hair above 1, which is flagged and taken as 1.
      {"distribution function a hair above 1",
       {0, 6, 0},
       {0, 1, 2},
       {" M(h) GOF test: Chi-square =   76.000 df =   2 Prob =   0.0000"}},
      // 999 degrees of freedom fill the three columns of df.
      {"1000 sites, every site alike",
       std::vector<std::int32_t>(1000, 1),
       one_each,
       {" M(h) GOF test: Chi-square =    0.000 df = 999 Prob =   1.0000"}},
      // X = 1000 / 0.999 x 999/1000 = 1000; beyond 60 df the normal approximation:
      // 1 - ndtr(sqrt(2000) - sqrt(1997)) = 1 - ndtr(0.033554) = 0.4866.
      {"1000 sites, spread",
       alternating,
       one_each,
       {" M(h) GOF test: Chi-square = 1000.000 df = 999 Prob =   0.4866"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(test_records(c.n, c.f), c.expected);
  }
}

}  // namespace
}  // namespace kelvaro
