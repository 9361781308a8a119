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

Array1<std::int32_t, 100> vec(const std::vector<std::int32_t>& v) {
  Array1<std::int32_t, 100> a{};
  for (std::size_t i = 0; i < v.size(); ++i) a(static_cast<int>(i) + 1) = v[i];
  return a;
}

// The records of the test in a bootstrapped block's section, after the block's own six records;
// with heading false, also after the test's heading and its n(i) and f(i) lists.
std::vector<std::string> test_records(std::int32_t t, const std::vector<std::int32_t>& n,
                                      const std::vector<std::int32_t>& f, bool heading = false) {
  BlockResult b;
  b.bootstrapped = true;
  b.goodness_of_fit = goodness_of_fit_test(t, vec(n), vec(f));
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
  EXPECT_EQ(test_records(3, {4, 3, 4}, {4, 2, 1}, true),
            (std::vector<std::string>{
                " M(h) GOF test:", " ==============",
                " Observed species,     n(i) =            4           3           4",
                " Observed frequencies, f(i) =            4           2           1",
                " M(h) GOF test: Chi-square =    0.333 df =   2 Prob =   0.8465"}));
}

TEST(GoodnessOfFit, ReportsStatisticAndProbability) {
  const std::string box = " **************************";
  struct {
    const char* name;
    std::int32_t t;
    std::vector<std::int32_t> n, f;
    std::vector<std::string> expected;
  } cases[] = {
      {"one site",
       1,
       {5},
       {5},
       {box, " ** error in gof routine **", box,
        " M(h) GOF test: Chi-square =    0.000 df =   0 Prob =   1.0000"}},
      {"every species at every site",
       3,
       {5, 5, 5},
       {0, 0, 5},
       {box, " ** error in gof routine **", box,
        " M(h) GOF test: Chi-square =    0.000 df =   2 Prob =   1.0000"}},
      // D = 1 + 2 x 8388608 = 2^24 + 1 rounds to 2^24 in single precision, so nbar = 8388608 =
      // n(1) = n(2) and X = 0 (a sum kept in double would give nbar = 8388608.5 and X = 1.000).
      {"detections summed in single precision",
       2,
       {8388608, 8388608},
       {1, 8388608},
       {" M(h) GOF test: Chi-square =    0.000 df =   1 Prob =   1.0000"}},
      // X = (228/9) / (2/9) x 2/3 = 76 with 2 df: the series puts the distribution function a
      // hair above 1, which is flagged and taken as 1.
      {"distribution function a hair above 1",
       3,
       {0, 6, 0},
       {0, 1, 2},
       {" M(h) GOF test: Chi-square =   76.000 df =   2 Prob =   0.0000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(test_records(c.t, c.n, c.f), c.expected);
  }
}

}  // namespace
}  // namespace kelvaro
