// The built program, run as users run it: exact bytes on standard output, the exit status and
// standard error.

#include <gtest/gtest.h>

#include <string>

#include "support/process.h"
#include "support/run_helpers.h"

namespace kelvaro {
namespace {

using testing::run_program;
using testing::slurp;

const std::string kProgram = KELVARO_BINARY;
const std::string kDriverHead =
    "  \r\n"
    " *******************************************************\r\n"
    " Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel\r\n"
    "                <130607.1554>\r\n"
    " *******************************************************\r\n";

TEST(Program, BundledExampleRunsToTheEnd) {
  const std::string input = slurp(std::string(KELVARO_SOURCE_DIR) + "/examples/two-samples.txt");
  const auto r = run_program(kProgram, input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(r.out.rfind(kDriverHead, 0), 0u);
  // Every line ends in CR LF: no bare line feed anywhere.
  for (std::size_t i = 0; i < r.out.size(); ++i) {
    if (r.out[i] == '\n') {
      ASSERT_TRUE(i > 0 && r.out[i - 1] == '\r') << "bare LF at byte " << i;
    }
  }
  EXPECT_NE(r.out.find("\r\n Sample 2:\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Test for unequal p's\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Parameter estimates\r\n"), std::string::npos);
}

TEST(Program, SameInputSameReport) {
  const std::string input = slurp(std::string(KELVARO_SOURCE_DIR) + "/examples/two-samples.txt");
  EXPECT_EQ(run_program(kProgram, input).out, run_program(kProgram, input).out);
}

TEST(Program, DriverLinesAndStatuses) {
  struct {
    const char* what;
    const char* input;
    int status;
    const char* out_prefix;
    const char* err;
  } cases[] = {
      {"does a slash keep 50 iterations and seed 400?", "3 3 0 /\r\n4 2 1\r\n5 4 3\r\n", 0,
       "  bootstrap iterations:    50  seed number:      400\r\n seed=         400\r\n  \r\n"
       " Sample 1:\r\n ===============================\r\n",
       ""},
      {"does a negative nreps print as given?", "3 3 0 -20 400\n4 2 1\n5 4 3\n", 0,
       "  bootstrap iterations:   -20  seed number:      400\r\n", ""},
      {"does seed 0 print as 0?", "3 3 0 0 0\n4 2 1\n5 4 3\n", 0,
       "  bootstrap iterations:     0  seed number:        0\r\n seed=           0\r\n", ""},
      {"does a bad site count stop the run?", "3 3 0 0 400\n4 2 1\n5 4.5 3\n", 2,
       "  bootstrap iterations:     0  seed number:      400\r\n",
       "kelvaro: line 3, value 2: \"4.5\" is not a whole number\nAt line 3 of file kelvaro (unit = "
       "5, file = 'stdin')\nBad integer for item 2 in list input\n"},
      {"is a header beyond the limits refused?", "1200 3 0 50 400\n", 2, "",
       "kelvaro: t1 = 1200 is outside the allowed range 1..1000\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = run_program(kProgram, c.input, "-q");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    const std::string expected =
        std::string(c.out_prefix).empty() ? "" : kDriverHead + c.out_prefix;
    if (expected.empty()) {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_EQ(r.out.substr(0, expected.size()), expected);
    }
  }
}

TEST(Program, SampleOneOnlyEndsAfterItsSection) {
  const auto r = run_program(kProgram, "3 3 0 0 400\n4 2 1\n5 4 3\n");
  EXPECT_EQ(r.status, 0);
  const auto lines = testing::records(r.out);
  ASSERT_FALSE(lines.empty());
  // The section ends with the M(h) test's result line.
  EXPECT_EQ(lines.back().rfind(" M(h) GOF test: Chi-square = ", 0), 0u) << lines.back();
}

}  // namespace
}  // namespace kelvaro
