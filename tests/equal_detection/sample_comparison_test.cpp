// The test for unequal detection probability, through the records the report writer makes of it.
#include "equal_detection/sample_comparison.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "report/report_writer.h"
#include "support/report_records.h"

namespace kelvaro {
namespace {

// The report records of the test on the table (s1, s2), without their CR LF.
std::vector<std::string> run_test(const std::vector<std::int32_t>& s1,
                                  const std::vector<std::int32_t>& s2) {
  std::ostringstream out;
  ReportWriter(&out).equal_detection(equal_detection_test(s1, s2));
  return testing::records(out.str());
}

// Expected lines were laid out by hand from the record rules: free-form integers in 11 columns,
// doubles from 0.1 up in 20 columns (17 significant digits) plus 5 blanks, below 0.1 in exponent
// form in 25 columns, "(10f8.3)" ten values per record.
// The double digits come from a separate single-precision recomputation of the sums.
TEST(EqualDetection, ReportsUnpooledTable) {
  const std::vector<std::string> expected = {
      "  ",
      " Test for unequal p's",
      " ====================",
      " Observed frequencies, f(i):",
      "          10           5           2",
      "          12           6           1",
      "  ",
      " After pooling:",
      " Observed frequencies, f(i):",
      "  10.000   5.000   2.000",
      "  12.000   6.000   1.000",
      " Expected values:",
      "  10.389   5.194   1.417",  // 17 x 22 / 36, 17 x 11 / 36, 17 x 3 / 36
      "  11.611   5.806   1.583",
      "  ",
      " Total Chi-square:  0.49648198112845421     ",
      " Degrees of freedom:           2",
      " Probability       :  0.78017190684037796     ",  // about exp(-0.4965 / 2)
  };
  EXPECT_EQ(run_test({10, 5, 2}, {12, 6, 1}), expected);
}

TEST(EqualDetection, PrintsPooledTablesAndResult) {
  struct {
    const char* name;
    std::vector<std::int32_t> s1, s2;
    std::vector<std::string> tail;  // from the pooled observed table on
  } cases[] = {
      {"class 3 smallest, pooled into class 2, then class 1",
       {1, 6, 0, 8},
       {1, 6, 1, 8},
       {"   0.000   7.000   0.000   8.000", "   0.000   8.000   0.000   8.000",
        " Expected values:", "   0.000   7.258   0.000   7.742", "   0.000   7.742   0.000   8.258",
        "  ", " Total Chi-square:  3.44444783404469490E-002", " Degrees of freedom:           1",
        " Probability       :  0.85276454219463149     "}},
      {"class both first and second: no count vanishes",
       {1, 5, 3, 0},
       {0, 0, 0, 1},
       {"   0.000   0.000   9.000   0.000", "   0.000   0.000   1.000   0.000",
        " Expected values:", "   0.000   0.000   9.000   0.000", "   0.000   0.000   1.000   0.000",
        "  ", " Total Chi-square:   0.0000000000000000     ", " Degrees of freedom:           0",
        " Probability       :   1.0000000000000000     "}},
      // The series puts the distribution function of 72.28 with 1 df a hair above 1; it is
      // flagged and taken as 1.
      {"distribution function a hair above 1",
       {1, 24},
       {59, 2},
       {"   1.000  24.000", "  59.000   2.000", " Expected values:", "  17.442   7.558",
        "  42.558  18.442", "  ", " Total Chi-square:   72.277453899383545     ",
        " Degrees of freedom:           1", " Probability       :   0.0000000000000000     "}},
      {"one class",
       {7},
       {3},
       {"   7.000", "   3.000", " Expected values:", "   7.000", "   3.000", "  ",
        " Total Chi-square:   0.0000000000000000     ", " Degrees of freedom:           0",
        " Probability       :   1.0000000000000000     "}},
      {"pair of ten sites: eleven classes, two records per table",
       {12, 8, 6, 5, 4, 3, 3, 2, 2, 1, 1},
       {10, 9, 7, 4, 4, 3, 2, 2, 1, 1, 2},
       {"  12.000   8.000   6.000   5.000   4.000   3.000   3.000   2.000   2.000   1.000",
        "   1.000",
        "  10.000   9.000   7.000   4.000   4.000   3.000   2.000   2.000   1.000   1.000",
        "   2.000", " Expected values:",
        "  11.239   8.685   6.641   4.598   4.087   3.065   2.554   2.043   1.533   1.022",
        "   1.533",
        "  10.761   8.315   6.359   4.402   3.913   2.935   2.446   1.957   1.467   0.978",
        "   1.467", "  ", " Total Chi-square:   1.2524565771454945     ",
        " Degrees of freedom:          10", " Probability       :  0.99952181902922277     "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> got = run_test(c.s1, c.s2);
    ASSERT_EQ(got.size(), 9 + c.tail.size());
    EXPECT_EQ(std::vector<std::string>(got.begin() + 9, got.end()), c.tail);
  }
}

}  // namespace
}  // namespace kelvaro
