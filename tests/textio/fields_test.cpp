// Report fields: Iw, Fw.d, Aw, infinities and NaN, free-form items. Expected fields are worked
// out by hand from the exact stored values and the field rules.
#include "textio/fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace kelvaro::textio {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string fixed(double v, int w, int d) {
  std::string s;
  append_fixed(s, v, w, d);
  return s;
}

TEST(IntegerField, RightAlignsAndOverflowsToAsterisks) {
  struct {
    std::int32_t v;
    int w;
    const char* expected;
  } cases[] = {
      {50, 6, "    50"},
      {400, 9, "      400"},
      {0, 3, "  0"},
      {1234567, 6, "******"},
      {-99999, 6, "-99999"},
      {-100000, 6, "******"},
      {999999, 6, "999999"},
      {-1, 1, "*"},
      {INT32_MIN, 11, "-2147483648"},
      {INT32_MIN, 10, "**********"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "I" << c.w << " of " << c.v);
    std::string s;
    append_integer(s, c.v, c.w);
    EXPECT_EQ(s, c.expected);
  }
}

TEST(FixedField, RoundsHalfAwayFromZeroOnTheStoredValue) {
  struct {
    double v;
    int w, d;
    const char* expected;
  } cases[] = {
      {0.125, 5, 2, " 0.13"},        {0.375, 5, 2, " 0.38"},
      {-0.125, 5, 2, "-0.13"},       {2.5, 4, 0, "  3."},
      {0.5, 5, 0, "   1."},          {0.4, 5, 0, "   0."},
      {123.45f, 5, 1, "123.4"},      {0.0625, 8, 3, "   0.063"},
      {1.0, 10, 4, "    1.0000"},    {12345.678f, 8, 2, "12345.68"},
      {99.96f, 5, 1, "100.0"},       {0.006f, 5, 2, " 0.01"},
      {1.0 / 3.0, 8, 4, "  0.3333"}, {152.25, 12, 4, "    152.2500"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "F" << c.w << "." << c.d << " of " << c.v);
    EXPECT_EQ(fixed(c.v, c.w, c.d), c.expected);
  }
}

TEST(FixedField, LeadingZeroSignAndOverflow) {
  struct {
    double v;
    int w, d;
    const char* expected;
  } cases[] = {
      {0.5, 4, 2, "0.50"},    {0.5, 3, 2, ".50"},     {0.5, 2, 2, "**"},
      {-0.5, 4, 2, "-.50"},   {-0.5, 5, 2, "-0.50"},  {-0.0004f, 6, 3, "-0.000"},
      {-0.0, 6, 3, "-0.000"}, {0.0, 6, 3, " 0.000"},  {0.0004f, 6, 3, " 0.000"},
      {0.4, 1, 0, "."},       {99.96f, 4, 1, "****"}, {1.0e10f, 8, 3, "********"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "F" << c.w << "." << c.d << " of " << c.v);
    EXPECT_EQ(fixed(c.v, c.w, c.d), c.expected);
  }
  EXPECT_EQ(fixed(-99.5, 4, 0), "****");  // -100. needs five columns
  EXPECT_EQ(fixed(-99.5, 5, 0), "-100.");
}

TEST(SpecialField, InfinityAndNaNByWidth) {
  struct {
    double v;
    int w;
    const char* expected;
  } cases[] = {
      {kNaN, 2, "**"},          {kInf, 2, "**"},          {-kInf, 2, "**"},
      {kNaN, 3, "NaN"},         {kInf, 3, "Inf"},         {-kInf, 3, "***"},
      {kNaN, 5, "  NaN"},       {kInf, 5, " +Inf"},       {-kInf, 5, " -Inf"},
      {kNaN, 8, "     NaN"},    {kInf, 8, "    +Inf"},    {-kInf, 8, "    -Inf"},
      {kNaN, 9, "      NaN"},   {kInf, 9, "+Infinity"},   {-kInf, 9, "-Infinity"},
      {kNaN, 10, "       NaN"}, {kInf, 10, " +Infinity"}, {-kInf, 10, " -Infinity"},
      {-kNaN, 4, " NaN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "width " << c.w << " of " << c.v);
    std::string s;
    append_special(s, c.v, c.w);
    EXPECT_EQ(s, c.expected);
    EXPECT_EQ(fixed(c.v, c.w, 0), c.expected);  // F fields take the same path
  }
  EXPECT_EQ(fixed(kInf, 10, 4), " +Infinity");
  EXPECT_EQ(fixed(kNaN, 8, 3), "     NaN");
  EXPECT_EQ(fixed(-kInf, 6, 3), "  -Inf");
}

TEST(TextField, TruncatesOrRightAligns) {
  struct {
    const char* s;
    int w;
    const char* expected;
  } cases[] = {
      {"abcde", 3, "abc"}, {"ab", 5, "   ab"}, {"abc", 3, "abc"}, {"ab ", -1, "ab "}, {"", 2, "  "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    std::string s;
    append_text(s, c.s, c.w);
    EXPECT_EQ(s, c.expected);
  }
}

TEST(ListField, RealsInFixedOrExponentForm) {
  struct {
    float v;
    const char* expected;
  } cases[] = {
      {1.0f, "   1.0000000    "},
      {0.5f, "  0.50000000    "},
      {45.3f, "   45.299999    "},
      {123.456f, "   123.45600    "},
      {-2.5f, "  -2.5000000    "},
      {12345678.0f, "   12345678.    "},
      {1.0e8f, "  1.00000000E+08"},
      {0.05f, "  5.00000007E-02"},
      // Lower boundary pair: 0.1f is 0.10000000149..., the float below it 0.0999999940...
      {0.1f, "  0.10000000    "},
      {0.099999994f, "  9.99999940E-02"},
      // Upper boundary pair: the largest float below 10^8 keeps fixed form.
      {99999992.0f, "   99999992.    "},
      {-1.0e8f, " -1.00000000E+08"},
      {0.0f, "   0.0000000    "},
      {-0.0f, "  -0.0000000    "},
      {std::numeric_limits<float>::max(), "  3.40282347E+38"},
      {std::numeric_limits<float>::denorm_min(), "  1.40129846E-45"},
      {std::numeric_limits<float>::infinity(), "       +Infinity"},
      {-std::numeric_limits<float>::infinity(), "       -Infinity"},
      {std::numeric_limits<float>::quiet_NaN(), "             NaN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string s = " ";  // as after the separator: the field itself is 15 columns
    append_list_real(s, c.v);
    EXPECT_EQ(s, c.expected);
    EXPECT_EQ(s.size(), 16u);
  }
}

TEST(ListField, DoublesAndIntegers) {
  struct {
    double v;
    const char* expected;
  } cases[] = {
      {1.0, "  1.0000000000000000     "},
      {0.5, " 0.50000000000000000     "},
      {-0.0, " -0.0000000000000000     "},
      {0.1, " 0.10000000000000001     "},
      {std::nextafter(0.1, 0.0), " 9.99999999999999917E-002"},  // the double just below 0.1
      {1.0e17, " 1.00000000000000000E+017"},
      {99999999999999984.0, "  99999999999999984.     "},  // largest double below 10^17
      {std::numeric_limits<double>::denorm_min(), " 4.94065645841246544E-324"},
      {-kInf, "                -Infinity"},
      {kNaN, "                      NaN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string s;
    append_list_double(s, c.v);
    EXPECT_EQ(s, c.expected);
  }
  struct {
    std::int32_t v;
    const char* expected;
  } ints[] = {{400, "        400"},
              {0, "          0"},
              {-45, "        -45"},
              {INT32_MIN, "-2147483648"},
              {INT32_MAX, " 2147483647"}};
  for (const auto& c : ints) {
    SCOPED_TRACE(c.expected);
    std::string s;
    append_list_integer(s, c.v);
    EXPECT_EQ(s, c.expected);
  }
}

}  // namespace
}  // namespace kelvaro::textio
