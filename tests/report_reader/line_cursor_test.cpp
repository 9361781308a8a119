#include "report_reader/line_cursor.h"

#include <gtest/gtest.h>

#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

TEST(LineCursor, PrintedNumbersAsTheReportWritesThem) {
  const struct {
    const char* text;
    bool integer, real;
  } cases[] = {
      // The examples of the header comment.
      {"45", true, true},
      {"-3", true, true},
      {"******", true, true},
      {"52.000000", false, true},
      {"1.00000000E+08", false, true},
      {"1.37686916577600001E-002", false, true},
      {"3.", false, true},
      {".50", false, true},
      {"-0.000", false, true},
      {"NaN", false, true},
      {"+Infinity", false, true},
      {"-Infinity", false, true},
      {"+Inf", false, true},
      {"-Inf", false, true},
      {"Inf", false, true},
      // Never printed by the report.
      {"", false, false},
      {"+3", false, true},  // a real with a sign is accepted, an integer never has '+'
      {"-", false, false},
      {".", false, false},
      {"1.2.3", false, false},
      {"1E5", false, false},  // the exponent always has its sign
      {"1.0E+", false, false},
      {"nan", false, false},
      {"Infinity", false, false},
      {"12a", false, false},
      {"**-", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(is_printed_number(c.text, NumberKind::kInteger), c.integer);
    EXPECT_EQ(is_printed_number(c.text, NumberKind::kReal), c.real);
  }
}

TEST(LineCursor, ReadsTextsAndTokens) {
  LineCursor c(
      " Species richness estimate, N(1)   =    52.000000     , SE(N(1)  ) =    3.2000000    ", 14);
  c.expect(" Species richness estimate, ");
  c.expect("N(1)  ");
  c.expect(" =");
  EXPECT_EQ(c.number(NumberKind::kReal), "52.000000");
  c.skip_blanks();
  EXPECT_FALSE(c.accept(", SE(N(2)"));
  c.expect(", SE(N(1)  ) =");
  EXPECT_EQ(c.number(NumberKind::kReal), "3.2000000");
  EXPECT_TRUE(c.at_end());
  c.expect_end();
}

TEST(LineCursor, FailuresNameTheLine) {
  const struct {
    const char* name;
    void (*action)(LineCursor&);
  } cases[] = {
      {"wrong text", [](LineCursor& c) { c.expect(" Sample 2:"); }},
      {"not a number",
       [](LineCursor& c) {
         c.expect(" Sample");
         c.number(NumberKind::kInteger);
       }},
      {"text left",
       [](LineCursor& c) {
         c.expect(" Sample");
         c.expect_end();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineCursor cursor(" Sample 1:", 9);
    try {
      c.action(cursor);
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_EQ(e.line(), 9);
    }
  }
}

TEST(LineCursor, FixedFieldsIncludingAsterisksAndNonFinite) {
  // "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)" with NaN, +Infinity and a too-wide value.
  const std::string line = "       N(1)       NaN +Infinity**********        -0.00 -       1.5";
  const struct {
    std::size_t start;
    const char* expected;
  } cases[] = {{11, "NaN"}, {21, "+Infinity"}, {31, "**********"}, {45, "-0.00"}, {58, "1.5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    EXPECT_EQ(fixed_number(line, c.start, 10, NumberKind::kReal, 3), c.expected);
  }
  EXPECT_THROW(fixed_number(line, 0, 11, NumberKind::kReal, 3), ReportError);   // "N(1)"
  EXPECT_THROW(fixed_number(line, 70, 10, NumberKind::kReal, 3), ReportError);  // past the end
  EXPECT_THROW(fixed_number("  1 2", 0, 5, NumberKind::kInteger, 3), ReportError);
}

}  // namespace
}  // namespace kelvaro::tidy
