#include "kelvaro/real_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kelvaro::numeric {
namespace {

TEST(RealText, ReadsDecimalNumbersWhole) {
  const double smallest = std::numeric_limits<double>::min();
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"0.8", 0.8},
      {"-3", -3.0},
      {"+.5", 0.5},
      {"5.", 5.0},
      {"2.5e-3", 0.0025},
      {"1E3", 1000.0},
      {"1e+3", 1000.0},
      {"0", 0.0},
      {"0e-400", 0.0},
      {"-0.000", -0.0},
      {"00012", 12.0},
      // The boundaries in pairs with the refusals below: the largest and smallest normal doubles.
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"2.2250738585072014e-308", smallest},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const RealText r = read_real(c.text);
    EXPECT_EQ(r.problem, RealTextProblem::kNone);
    EXPECT_EQ(r.value, c.expected);
    EXPECT_EQ(std::signbit(r.value), std::signbit(c.expected));
  }
}

TEST(RealText, RefusesWhatIsNotADecimalOrCannotBeHeld) {
  const struct {
    const char* text;
    RealTextProblem expected;
  } cases[] = {
      {"0x0.8p0", RealTextProblem::kNotDecimal},
      {"0X1", RealTextProblem::kNotDecimal},
      {"inf", RealTextProblem::kNotDecimal},
      {"-infinity", RealTextProblem::kNotDecimal},
      {"nan", RealTextProblem::kNotDecimal},
      {" 1", RealTextProblem::kNotDecimal},
      {"1 ", RealTextProblem::kNotDecimal},
      {"1,5", RealTextProblem::kNotDecimal},
      {"", RealTextProblem::kNotDecimal},
      {".", RealTextProblem::kNotDecimal},
      {"-", RealTextProblem::kNotDecimal},
      {"1e", RealTextProblem::kNotDecimal},
      {"e5", RealTextProblem::kNotDecimal},
      {"1.2.3", RealTextProblem::kNotDecimal},
      {"++1", RealTextProblem::kNotDecimal},
      {"1e400", RealTextProblem::kTooLarge},
      {"-1e309", RealTextProblem::kTooLarge},
      {"1.7976931348623159e308", RealTextProblem::kTooLarge},  // rounds to infinity
      {"1000e-3000000000000", RealTextProblem::kTooSmall},     // exponent past every counter
      {"1e-400", RealTextProblem::kTooSmall},
      {"-1e-400", RealTextProblem::kTooSmall},
      {"1e-310", RealTextProblem::kTooSmall},  // a denormal: below the smallest normal
      {"2.2250738585072009e-308", RealTextProblem::kTooSmall},
      {"0.00001e-305", RealTextProblem::kTooSmall},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(read_real(c.text).problem, c.expected);
  }
  EXPECT_EQ(read_real(std::string(400, '9')).problem, RealTextProblem::kTooLarge);
  EXPECT_EQ(read_real("0." + std::string(400, '0') + "1").problem, RealTextProblem::kTooSmall);
}

}  // namespace
}  // namespace kelvaro::numeric
