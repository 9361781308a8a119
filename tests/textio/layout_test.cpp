// Layout strings: the program's own layouts, the items-run-out and reversion rules, X and quotes.
// Expected records are assembled by hand from the field widths of each descriptor.
#include "textio/layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::textio {
namespace {

using Records = std::vector<std::string>;

// The records of a layout given as text, parsed as a run-time string.
Records lay_out(std::string_view layout, std::span<const Item> items) {
  const std::optional<Layout> parsed = parse_layout(layout);
  EXPECT_TRUE(parsed.has_value()) << "refused: " << layout;
  return parsed ? apply_layout(*parsed, items) : Records{};
}

// "(10f8.3)" fields for the whole numbers from..to.
std::string f8_3(int from, int to) {
  std::string s;
  for (int v = from; v <= to; ++v) s += (v < 10 ? "   " : "  ") + std::to_string(v) + ".000";
  return s;
}

constexpr const char* kBootstrap =
    "('  bootstrap iterations:',i6,                               '  seed number:',i9)";
constexpr const char* kGof =
    "(' M(h) GOF test: Chi-square = ',f8.3,                       ' df = ',i3,' Prob = ',f8.4)";
constexpr const char* kDetail = "(4f5.0,4f7.4,f8.3,2f7.4,2i6)";
constexpr const char* kTable2 = "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)";

TEST(Layout, ProgramLayouts) {
  std::vector<Item> twelve;
  for (int v = 1; v <= 12; ++v) twelve.emplace_back(static_cast<float>(v));
  const std::vector<Item> ten(twelve.begin(), twelve.begin() + 10);
  const std::vector<Item> detail = {45.0f, 50.0f, 30.0f, 32.0f,   0.9375f, 0.5f, 1.25f,
                                    1.0f,  12.5f, 0.75f, 0.8125f, 40,      42};
  struct {
    const char* layout;
    std::vector<Item> items;
    Records expected;
  } cases[] = {
      {kBootstrap, {50, 400}, {"  bootstrap iterations:    50  seed number:      400"}},
      {kGof, {3.5, 4, 0.4779}, {" M(h) GOF test: Chi-square =    3.500 df =   4 Prob =   0.4779"}},
      {"(1x,8i6,f12.4)",
       {10, 5, 3, 1, 0, 0, 0, 19, 25.6f},
       {"     10     5     3     1     0     0     0    19     25.6000"}},
      {"(6f9.2)",
       {10.5f, 3.25f, 1.0f, 0.0f, 0.0f, 0.0f},
       {"    10.50     3.25     1.00     0.00     0.00     0.00"}},
      {kDetail,
       detail,
       {"  45.  50.  30.  32. 0.9375 0.5000 1.2500 1.0000  12.500 0.7500 0.8125    40    42"}},
      {kTable2,
       {"PHI", 0.5f, 0.25f, 1.0f, 0.125f, 0.875f},
       {"        PHI      0.50      0.25      1.00          0.13 -       0.88"}},
      {"(1x,a10,3f10.4,4x,f10.4,' - ',f10.4)",
       {"p(1)", 0.5f, 0.25f, 1.0f, 0.125f, 0.875f},
       {"       p(1)    0.5000    0.2500    1.0000        0.1250 -     0.8750"}},
      {"(10f8.3)", ten, {f8_3(1, 10)}},
      {"(10f8.3)", twelve, {f8_3(1, 10), f8_3(11, 12)}},
      {"(a,a,a)", {"95% confidence interval", " computed"}, {"95% confidence interval computed"}},
      {"(a,a,a)", {"ab ", "c", " d"}, {"ab c d"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    EXPECT_EQ(lay_out(c.layout, c.items), c.expected);
  }
}

TEST(Layout, ItemsRunningOutEndTheRecordAtTheNextDataDescriptor) {
  const std::vector<Item> eleven = {45.0f, 50.0f, 30.0f, 32.0f, 0.9375f, 0.5f,
                                    1.25f, 1.0f,  12.5f, 0.75f, 0.8125f};
  struct {
    const char* layout;
    std::vector<Item> items;
    Records expected;
  } cases[] = {
      {kDetail, eleven, {"  45.  50.  30.  32. 0.9375 0.5000 1.2500 1.0000  12.500 0.7500 0.8125"}},
      {kTable2, {"PHI", 0.5f, 0.25f, 1.0f}, {"        PHI      0.50      0.25      1.00"}},
      {kDetail, {}, {""}},
      {kGof, {}, {" M(h) GOF test: Chi-square = "}},
      {kGof, {3.5}, {" M(h) GOF test: Chi-square =    3.500 df = "}},
      {kBootstrap, {}, {"  bootstrap iterations:"}},
      {"(2x,'a')", {}, {"  a"}},
      {"('only text')", {}, {"only text"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.layout << " with " << c.items.size() << " items");
    EXPECT_EQ(lay_out(c.layout, c.items), c.expected);
  }
}

TEST(Layout, BlanksCaseQuotesAndReversion) {
  struct {
    const char* layout;
    std::vector<Item> items;
    Records expected;
  } cases[] = {
      {"(i3,2x)", {1}, {"  1"}},          // trailing X is never written
      {"(i2,3x)", {1, 2}, {" 1", " 2"}},  // nor before a reversion
      {"(1x,i2)", {1, 2}, {"  1", "  2"}},
      {"(I3,F6.2,A)", {7, 2.5f, "z"}, {"  7  2.50z"}},   // either case
      {"( 2 i 3 , ' a b ' )", {1, 2}, {"  1  2 a b "}},  // blanks count only inside quotes
      {"('it''s',i2)", {5}, {"it's 5"}},
      {"(a5,a2)", {"ab", "abcde"}, {"   abab"}},
      {"(i2,x,i2)", {1, 2, 3}, {" 1  2", " 3"}},
      {"(3x,2x,i1)", {4}, {"     4"}},  // X counts add up
      {"(f6.2)", {-1.0}, {" -1.00"}},   // F takes doubles too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    EXPECT_EQ(lay_out(c.layout, c.items), c.expected);
  }
}

// Repeat counts expand at compile time; a malformed string is refused, never half-parsed.
constexpr Layout kExpanded = compile_layout("(3f10.4,2x)");
static_assert(kExpanded.size == 4 && kExpanded.descriptors[2].kind == Descriptor::Kind::Fixed &&
              kExpanded.descriptors[2].width == 10 && kExpanded.descriptors[2].decimals == 4 &&
              kExpanded.descriptors[3].kind == Descriptor::Kind::Blanks &&
              kExpanded.descriptors[3].width == 2);

TEST(Layout, MalformedStringsAreRefused) {
  const char* cases[] = {"i3",        "(i3",   "(i3) x", "(q5)",   "(i)",      "(f5)",
                         "(f5.)",     "(0i3)", "(a0)",   "('abc)", "(i3,,i3)", "(i3 i3)",
                         "(33i1)",  // one more descriptor than a layout holds
                         "(999999i1)"};
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    EXPECT_FALSE(parse_layout(c).has_value());
  }
  EXPECT_TRUE(parse_layout("(32i1)").has_value());
}

}  // namespace
}  // namespace kelvaro::textio
