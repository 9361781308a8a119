#include "compn/compn.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ran/kiss.h"
#include "shared/storage.h"
#include "textio/report.h"
#include "report_records.h"

namespace kelvaro {
namespace {

std::vector<std::string> run_block(const std::vector<float>& x, std::int32_t t,
                                   std::int32_t nreps, std::int32_t pair,
                                   const std::vector<std::int32_t>& sites) {
  reset_storage();
  reset_generator();
  work01.t = t;
  for (std::size_t i = 0; i < x.size(); ++i) work01.x(static_cast<int>(i) + 1) = x[i];
  for (std::size_t i = 0; i < sites.size(); ++i) {
    work03.nsite(static_cast<int>(i) + 1) = sites[i];
    work03.fint(static_cast<int>(i) + 1) = static_cast<std::int32_t>(x[i]);
  }
  std::ostringstream out;
  textio::set_report_stream(&out);
  compn(nreps, 1, "R(1)  ", "N(1)  ", pair);
  textio::set_report_stream(nullptr);
  return testing::records(out.str());
}

TEST(Compn, WorkedExampleLinesAndUnroundedEstimate) {
  // f = (20, 8, 3, 1, 0): the jackknife gives 56.97 with SE 9.64; the report rounds to 57.
  const auto lines = run_block({20, 8, 3, 1, 0}, 5, 0, 0, {10, 10, 10, 10, 9});
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], " Total species observed, R(1)   =           32");
  EXPECT_EQ(lines[1],
            " Observed frequencies, f(i) =           20           8           3           1           0");
  EXPECT_EQ(lines[2], "  ");
  EXPECT_EQ(lines[3].substr(0, 54), " Species richness estimate, N(1)   =    57.000000     ");
  EXPECT_EQ(lines[3].substr(54, 14), ", SE(N(1)  ) =");
  EXPECT_EQ(lines[4], "  ");
  EXPECT_EQ(lines[5], "  ");  // nreps = 0: the closing blank record follows at once
  EXPECT_EQ(lines[6], " M(h) GOF test:");
  EXPECT_NEAR(work03.nest(1), 56.97f, 0.005f);
  EXPECT_EQ(work01.est, 57.0f);
}

TEST(Compn, NoSpeciesMeansNoBootstrapAndNoTest) {
  const auto lines = run_block({0, 0, 0}, 3, 5, 0, {1, 1, 1});
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], " Total species observed, R(1)   =            0");
  EXPECT_EQ(lines[3], " Species richness estimate, N(1)   =    0.0000000     , SE(N(1)  ) =    0.0000000    ");
  EXPECT_EQ(lines[4], "  ");
  EXPECT_EQ(work04.boot(1, 1), 0.0f);
}

TEST(Compn, NonWholeFrequenciesAreTruncatedAfterEveryAddition) {
  const auto lines = run_block({2.5f, 3.5f}, 2, 0, 0, {0, 0});
  EXPECT_EQ(lines[0], " Total species observed, R(1)   =            5");
  EXPECT_EQ(lines[1], " Observed frequencies, f(i) =            2           3");
  // No site data: everything but the M(h) test.
  EXPECT_EQ(lines.back(), "  ");
}

TEST(Compn, FrequencyPairEstimatesFromTheSecondVector) {
  // t0 = 3, x = (a, b, c, p, q, r, s): the estimate comes from (p, q, r, s) with t = 4.
  const auto lines = run_block({4, 2, 1, 3, 2, 1, 1}, 3, 0, 1, {4, 3, 4});
  EXPECT_EQ(lines[0], " Total species observed, R(1)   =            7");
  EXPECT_EQ(lines[1],
            " Observed frequencies, f'(i) =            3           2           1           1");
  // The M(h) test uses the plain f and three classes; t and x(1..3) are put back.
  EXPECT_EQ(lines[lines.size() - 2],
            " Observed frequencies, f(i) =            4           2           1");
  EXPECT_EQ(work01.t, 3);
  EXPECT_EQ(work01.x(1), 4.0f);
  EXPECT_EQ(work01.x(3), 1.0f);
}

}  // namespace
}  // namespace kelvaro

namespace kelvaro {
namespace {

TEST(Compn, HalfEstimatesRoundUpInTheReportOnly) {
  // t = 2, f = (1, 11): the one test has D = 0 and X0 = 13.5/12.5 stays below 3.84 with M < 20,
  // so the estimate is N(1) = 1.5*1 + 11 = 12.5 exactly.
  const auto lines = run_block({1, 11}, 2, 0, 0, {6, 6});
  EXPECT_EQ(lines[3].substr(0, 54), " Species richness estimate, N(1)   =    13.000000     ");
  EXPECT_EQ(work03.nest(1), 12.5f);
  // f = (3, 10): N(1) = 14.5, X0 = 17.5*3/14.5 = 3.62 is still below 3.84.
  run_block({3, 10}, 2, 0, 0, {8, 8});
  EXPECT_EQ(work03.nest(1), 14.5f);
  EXPECT_EQ(work01.est, 15.0f);
}

}  // namespace
}  // namespace kelvaro
