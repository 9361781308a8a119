// Free-form records, the report stream, and the worked examples written in the textio headers.
#include "textio/report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "textio/decimal.h"
#include "textio/fields.h"
#include "textio/layout.h"

namespace kelvaro::textio {
namespace {

TEST(ListRecord, LeadingBlankSeparatorsAndJoinedTexts) {
  struct {
    std::vector<Item> items;
    const char* expected;
  } cases[] = {
      {{"Sample 1:"}, " Sample 1:"},
      {{" "}, "  "},
      {{"seed=", 400}, " seed=         400"},
      {{"Total species observed, ", "R(1)  ", " = ", 45},
       " Total species observed, R(1)   =           45"},
      {{1.0f}, "   1.0000000    "},
      {{0.5f}, "  0.50000000    "},
      {{45.3f}, "   45.299999    "},
      {{123.456f}, "   123.45600    "},
      {{-2.5f}, "  -2.5000000    "},
      {{12345678.0f}, "   12345678.    "},
      {{1.0e8f}, "  1.00000000E+08"},
      {{0.05f}, "  5.00000007E-02"},
      {{1.0}, "   1.0000000000000000     "},
      {{0.5}, "  0.50000000000000000     "},
      {{"a", 1.0f, "b"}, " a   1.0000000     b"},
      {{"Species richness estimate, ", "N(1)  ", " = ", 52.0f, ", SE("},
       " Species richness estimate, N(1)   =    52.000000     , SE("},
      {{}, " "},
      {{1, 2}, "           1           2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format_list(c.items), c.expected);
  }
}

TEST(RecordWriter, RecordsEndInCrLf) {
  std::ostringstream out;
  RecordWriter w(&out);
  w.list({"seed=", 400});
  std::vector<Item> twelve;
  for (int v = 1; v <= 12; ++v) twelve.emplace_back(static_cast<float>(v) / 8.0f);
  w.formatted(compile_layout("(10f8.3)"), twelve);
  w.formatted(compile_layout("(4f5.0,4f7.4,f8.3,2f7.4,2i6)"), {});
  EXPECT_EQ(out.str(),
            " seed=         400\r\n"
            "   0.125   0.250   0.375   0.500   0.625   0.750   0.875   1.000   1.125   1.250\r\n"
            "   1.375   1.500\r\n"
            "\r\n");
}

TEST(RecordWriter, NullStreamDiscards) {
  RecordWriter w(nullptr);
  EXPECT_NO_THROW(w.list({"lost"}));
  EXPECT_NO_THROW(w.formatted(compile_layout("(i3)"), {1}));
}

std::string field(void (*append)(std::string&, float), float v) {
  std::string s;
  append(s, v);
  return s;
}

// Every worked example written in the comments of the textio headers, exactly as written there.
TEST(HeaderExamples, HoldAsWritten) {
  // report.h
  std::ostringstream out;
  RecordWriter w(&out);
  w.list({"seed=", 400});
  w.list({1.0f});
  w.formatted(compile_layout("(f5.2)"), {0.125f});
  EXPECT_EQ(out.str(), " seed=         400\r\n   1.0000000    \r\n 0.13\r\n");

  // decimal.h
  Decimal d;
  exact_decimal(0.125, d);
  EXPECT_EQ(d.view(), "125");
  EXPECT_EQ(d.point, 0);
  round_decimals(d, 2);
  EXPECT_EQ(d.view(), "13");
  EXPECT_EQ(d.point, 0);
  exact_decimal(123.45f, d);
  EXPECT_EQ(d.view(), "1234499969482421875");
  EXPECT_EQ(d.point, 3);
  round_decimals(d, 1);
  EXPECT_EQ(d.view(), "1234");
  EXPECT_EQ(d.point, 3);
  exact_decimal(99.96f, d);
  round_significant(d, 3);
  EXPECT_EQ(d.view(), "1");
  EXPECT_EQ(d.point, 3);

  // fields.h
  auto fx = [](double v, int w, int dd) {
    std::string s;
    append_fixed(s, v, w, dd);
    return s;
  };
  std::string s;
  append_integer(s, 1234567, 6);
  append_integer(s, -99999, 6);
  EXPECT_EQ(s, "******-99999");
  EXPECT_EQ(fx(0.125, 5, 2), " 0.13");
  EXPECT_EQ(fx(123.45f, 5, 1), "123.4");
  EXPECT_EQ(fx(0.5, 4, 2), "0.50");
  EXPECT_EQ(fx(0.5, 3, 2), ".50");
  EXPECT_EQ(fx(2.5, 4, 0), "  3.");
  EXPECT_EQ(fx(-0.0004, 6, 3), "-0.000");
  EXPECT_EQ(fx(99.96, 5, 1), "100.0");
  EXPECT_EQ(fx(99.96, 4, 1), "****");
  EXPECT_EQ(fx(std::numeric_limits<double>::infinity(), 10, 4), " +Infinity");
  EXPECT_EQ(fx(std::numeric_limits<double>::quiet_NaN(), 8, 3), "     NaN");
  s.clear();
  append_text(s, "abcde", 3);
  append_text(s, "ab", 5);
  EXPECT_EQ(s, "abc   ab");
  s.clear();
  append_list_integer(s, 400);
  EXPECT_EQ(s, "        400");
  EXPECT_EQ(field(append_list_real, 1.0f), "  1.0000000    ");
  EXPECT_EQ(field(append_list_real, 1.0e8f), " 1.00000000E+08");
  EXPECT_EQ(field(append_list_real, 0.0f), "  0.0000000    ");
  s.clear();
  append_list_double(s, 0.5);
  EXPECT_EQ(s, " 0.50000000000000000     ");

  // layout.h
  EXPECT_EQ(apply_layout(compile_layout("('  bootstrap iterations:',i6,   '  seed number:',i9)"),
                         std::vector<Item>{50, 400}),
            std::vector<std::string>{"  bootstrap iterations:    50  seed number:      400"});
  EXPECT_EQ(apply_layout(compile_layout("(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)"),
                         std::vector<Item>{"PHI", 0.5f, 0.25f, 1.0f}),
            std::vector<std::string>{"        PHI      0.50      0.25      1.00"});
  std::vector<Item> twelve(12, Item(1.0f));
  EXPECT_EQ(apply_layout(compile_layout("(10f8.3)"), twelve).size(), 2u);
  EXPECT_EQ(apply_layout(compile_layout("(4f5.0,4f7.4,f8.3,2f7.4,2i6)"), {}),
            std::vector<std::string>{""});
}

}  // namespace
}  // namespace kelvaro::textio
