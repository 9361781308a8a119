// Free-form input: separators, nulls, repeat counts, slash, line handling, failures and the
// exact conversion of reals to the nearest float.
#include "textio/list_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kelvaro::textio {
namespace {

// The value an item holds before the statement; an item left unchanged still holds it.
constexpr std::int32_t U = -99;
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<Target> targets(std::vector<std::int32_t>& v) { return {v.begin(), v.end()}; }
std::vector<Target> targets(std::vector<float>& v) { return {v.begin(), v.end()}; }

std::vector<std::int32_t> read_ints(ListReader& r, std::size_t n) {
  std::vector<std::int32_t> v(n, U);
  r.read(targets(v));
  return v;
}

std::vector<float> read_reals(ListReader& r, std::size_t n) {
  std::vector<float> v(n, -99.0f);
  r.read(targets(v));
  return v;
}

// The text handed to the reader one byte at a time: nothing may depend on where the pieces of
// a streamed input end (a CR LF split between two reads, a value across them).
class Drip : public TextSource {
 public:
  explicit Drip(std::string_view text) : text_(text) {}
  std::size_t read(char* buf, std::size_t) override {
    if (pos_ == text_.size()) return 0;
    buf[0] = text_[pos_++];
    return 1;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Runs check on a reader of the whole text and on a reader of the same text dripped.
template <typename Check>
void with_both_readers(std::string_view text, Check check) {
  ListReader whole(text);
  check(whole);
  Drip drip(text);
  ListReader dripped(drip);
  check(dripped);
}

// A statement of three integers, then a statement of two integers showing where it resumes.
TEST(ListReader, SeparatorsNullsRepeatsAndLines) {
  struct {
    const char* input;
    std::vector<std::int32_t> first;
    int line_after;  // line on which the second statement starts
    std::vector<std::int32_t> second;
  } cases[] = {
      {"5, 3 , 7\n9 8\n", {5, 3, 7}, 2, {9, 8}},
      {"5 3 7\n9 8\n", {5, 3, 7}, 2, {9, 8}},
      {"5\n3 7\n9 8\n", {5, 3, 7}, 3, {9, 8}},
      {"5\t3;7\n9 8\n", {5, 3, 7}, 2, {9, 8}},
      {"\n  \n5\n\n\t\n3 7\n9 8\n", {5, 3, 7}, 7, {9, 8}},
      {"-5 +6 007\n9 8\n", {-5, 6, 7}, 2, {9, 8}},
      {"2147483647 -2147483648 -0\n9 8\n", {2147483647, -2147483648, 0}, 2, {9, 8}},
      // Rest of the line discarded; a value ending at the line end discards nothing more.
      {"1 2 3 4 5\n9 8\n", {1, 2, 3}, 2, {9, 8}},
      {"1 2\n3 4 5\n9 8\n", {1, 2, 3}, 3, {9, 8}},
      {"1 2 3\n\n9 8\n", {1, 2, 3}, 2, {9, 8}},
      // Nulls.
      {"1,,3\n9 8\n", {1, U, 3}, 2, {9, 8}},
      {"1 , , 3\n9 8\n", {1, U, 3}, 2, {9, 8}},
      {",2,3\n9 8\n", {U, 2, 3}, 2, {9, 8}},
      {"  ,,3\n9 8\n", {U, U, 3}, 2, {9, 8}},
      {"1;;3\n9 8\n", {1, U, 3}, 2, {9, 8}},
      {"1,\n,3\n9 8\n", {1, U, 3}, 3, {9, 8}},
      {"1\n,3 4\n9 8\n", {1, 3, 4}, 3, {9, 8}},
      {"1 2 3,\n,8\n", {1, 2, 3}, 2, {U, 8}},
      {"1,2,,\n9 8\n", {1, 2, U}, 2, {9, 8}},
      // Repeat counts and null repeats.
      {"3*4\n9 8\n", {4, 4, 4}, 2, {9, 8}},
      {"2*4\n6\n9 8\n", {4, 4, 6}, 3, {9, 8}},
      {"4*7 8\n9 8\n", {7, 7, 7}, 2, {9, 8}},
      {"1 200000000*2\n9 8\n", {1, 2, 2}, 2, {9, 8}},
      {"3*\n9 8\n", {U, U, U}, 2, {9, 8}},
      {"2*\n7\n9 8\n", {U, U, 7}, 3, {9, 8}},
      {"2*,4\n9 8\n", {U, U, 4}, 2, {9, 8}},
      {"1,1*,3\n9 8\n", {1, U, 3}, 2, {9, 8}},
      // Slash.
      {"1 /\n9 8\n", {1, U, U}, 2, {9, 8}},
      {"1 2/3\n9 8\n", {1, 2, U}, 2, {9, 8}},
      {"/ 5 5\n9 8\n", {U, U, U}, 2, {9, 8}},
      {"1,/\n9 8\n", {1, U, U}, 2, {9, 8}},
      {"3*/\n9 8\n", {U, U, U}, 2, {9, 8}},
      {"1\n2 / 7\n9 8\n", {1, 2, U}, 3, {9, 8}},
      // CR LF line ends, and a last line without a line end.
      {"5 3\r\n7\r\n9 8\r\n", {5, 3, 7}, 3, {9, 8}},
      {"5 3 7 1\r\n9 8", {5, 3, 7}, 2, {9, 8}},
      {"5,\r\n,7\r\n9 8", {5, U, 7}, 3, {9, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    with_both_readers(c.input, [&](ListReader& r) {
      EXPECT_EQ(read_ints(r, 3), c.first);
      EXPECT_EQ(r.line(), c.line_after);
      EXPECT_EQ(read_ints(r, 2), c.second);
    });
  }
}

TEST(ListReader, WholeStatements) {
  // A header that spills onto the next line takes its last two values from there.
  ListReader header("3 3 0\n50 400 9\n1 2 3\n");
  EXPECT_EQ(read_ints(header, 5), (std::vector<std::int32_t>{3, 3, 0, 50, 400}));
  EXPECT_EQ(read_ints(header, 3), (std::vector<std::int32_t>{1, 2, 3}));

  ListReader slash("10 10 0 / 4 4\n7\n");
  EXPECT_EQ(read_ints(slash, 5), (std::vector<std::int32_t>{10, 10, 0, U, U}));
  EXPECT_EQ(read_ints(slash, 1), (std::vector<std::int32_t>{7}));

  // A statement with no items consumes one whole line, even an empty one.
  ListReader none("1 2\n\n3 4\n5\n");
  none.read({});
  EXPECT_EQ(none.line(), 2);
  none.read({});
  EXPECT_EQ(read_ints(none, 1), (std::vector<std::int32_t>{3}));
  EXPECT_EQ(read_ints(none, 1), (std::vector<std::int32_t>{5}));

  // Integers and reals in one statement; a repeated value converts for each item's type.
  std::int32_t i = 0, j = 0;
  float x = 0.0f, y = 0.0f;
  ListReader mixed("2*3 2.5 7\n");
  mixed.read(std::vector<Target>{i, x, y, j});
  EXPECT_EQ(i, 3);
  EXPECT_EQ(x, 3.0f);
  EXPECT_EQ(y, 2.5f);
  EXPECT_EQ(j, 7);
}

TEST(ListReader, BadValuesThrowWithReasonAndLine) {
  struct {
    const char* input;
    bool reals;  // read four reals, else four integers
    const char* reason;
    int line;
  } cases[] = {
      {"3.0", false, "Bad integer for item 1 in list input", 1},
      {"1 2\n 3x 4\n", false, "Bad integer for item 3 in list input", 2},
      {"1e3", false, "Bad integer for item 1 in list input", 1},
      {"+ 1", false, "Bad integer for item 1 in list input", 1},
      {"1 -", false, "Bad integer for item 2 in list input", 1},
      {"1 2 3 --4", false, "Bad integer for item 4 in list input", 1},
      {"'5'", false, "Bad integer for item 1 in list input", 1},
      {"T", false, "Bad integer for item 1 in list input", 1},
      {"2147483648", false, "Integer overflow while reading item 1", 1},
      {"1 -2147483649", false, "Integer overflow while reading item 2", 1},
      {"99999999999999999999999999", false, "Integer overflow while reading item 1", 1},
      {"0*5", false, "Zero repeat count in item 1 of list input", 1},
      {"1\n\n00*", false, "Zero repeat count in item 2 of list input", 3},
      {"200000001*1", false, "Repeat count overflow in item 1 of list input", 1},
      {"1 2 99999999999999999999*1", false, "Repeat count overflow in item 3 of list input", 1},
      {"1,2*x", false, "Bad integer for item 2 in list input", 1},
      {"-2*1", false, "Bad integer for item 1 in list input", 1},
      {"2*3*4", false, "Bad integer for item 1 in list input", 1},
      // A CR that is not directly before LF is an ordinary character.
      {"1\r2\n", false, "Bad integer for item 1 in list input", 1},
      {"1 2\n3 4\r", false, "Bad integer for item 4 in list input", 2},
      {"1 \r 2", false, "Bad integer for item 2 in list input", 1},
      {"1 2 3 4\r\r\n", false, "Bad integer for item 4 in list input", 1},
      {"1.5e", true, "Bad real number in item 1 of list input", 1},
      {"1 1.5e+", true, "Bad real number in item 2 of list input", 1},
      {"e3", true, "Bad real number in item 1 of list input", 1},
      {".", true, "Bad real number in item 1 of list input", 1},
      {"-.e1", true, "Bad real number in item 1 of list input", 1},
      {"1.5.3", true, "Bad real number in item 1 of list input", 1},
      {"1..5", true, "Bad real number in item 1 of list input", 1},
      {"1.5x", true, "Bad real number in item 1 of list input", 1},
      {"1.5f3", true, "Bad real number in item 1 of list input", 1},
      {"1.5e3.0", true, "Bad real number in item 1 of list input", 1},
      {"1+", true, "Bad real number in item 1 of list input", 1},
      {"1.5 e3", true, "Bad real number in item 2 of list input", 1},
      {"0x10", true, "Bad real number in item 1 of list input", 1},
      {"in", true, "Bad real number in item 1 of list input", 1},
      {"infinit", true, "Bad real number in item 1 of list input", 1},
      {"nan1", true, "Bad real number in item 1 of list input", 1},
      {"--1", true, "Bad real number in item 1 of list input", 1},
      {"2*.", true, "Bad real number in item 1 of list input", 1},
      {"1 2\n3 4\r", true, "Bad real number in item 4 of list input", 2},
      {"0*1.5", true, "Zero repeat count in item 1 of list input", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    ListReader r(c.input);
    std::vector<std::int32_t> ints(4, U);
    std::vector<float> reals(4, -99.0f);
    try {
      if (c.reals) {
        r.read(targets(reals));
      } else {
        r.read(targets(ints));
      }
      ADD_FAILURE() << "no error";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.reason(), c.reason);
      EXPECT_STREQ(e.what(), c.reason);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(r.line(), c.line);
    }
  }
}

TEST(ListReader, EndOfFileNamesTheLastLine) {
  struct {
    const char* input;
    std::size_t statements;  // of two integers each; the last one meets the end
    int line;
  } cases[] = {
      {"", 1, 1},         {"\n", 1, 1},           {"1", 1, 1},         {"1\n", 1, 1},
      {"1,", 1, 1},       {"1\n\n\n", 1, 3},      {"1\r\n\r\n", 1, 2}, {"1 2\n", 2, 1},
      {"1 2\n3 4", 3, 2}, {"1 2\n3 4\n  ", 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    with_both_readers(c.input, [&](ListReader& r) {
      std::vector<std::int32_t> v(2, U);
      for (std::size_t s = 1; s < c.statements; ++s) r.read(targets(v));
      try {
        r.read(targets(v));
        ADD_FAILURE() << "no error";
      } catch (const ReadError& e) {
        EXPECT_EQ(e.reason(), "End of file");
        EXPECT_EQ(e.line(), c.line);
        EXPECT_EQ(r.line(), c.line);
      }
    });
  }
  // Even a statement without items needs a line.
  ListReader empty("");
  EXPECT_THROW(empty.read({}), ReadError);
}

TEST(ListReader, ReadOrEndReportsInsteadOfThrowing) {
  struct {
    const char* input;
    ReadStatus status;
    std::vector<std::int32_t> values;  // items read before the end or the bad value are kept
    int line;
  } cases[] = {
      {"4 5 6\n", ReadStatus::Ok, {4, 5, 6}, 2},
      {"", ReadStatus::End, {U, U, U}, 1},
      {"4\n5\n", ReadStatus::End, {4, 5, U}, 2},
      {"4 5.0 6\n", ReadStatus::Bad, {4, U, U}, 1},
      {"4 5 99999999999\n", ReadStatus::Bad, {4, 5, U}, 1},
      {"0*1\n", ReadStatus::Bad, {U, U, U}, 1},
      {"\n4 5 x\n", ReadStatus::Bad, {4, 5, U}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    with_both_readers(c.input, [&](ListReader& r) {
      std::vector<std::int32_t> v(3, U);
      EXPECT_EQ(r.read_or_end(targets(v)), c.status);
      EXPECT_EQ(v, c.values);
      EXPECT_EQ(r.line(), c.line);
    });
  }
}

TEST(ListReader, AfterAFailureTheNextStatementStartsOnTheNextLine) {
  ListReader r("1 x 3 4\n5 6\n");
  std::vector<std::int32_t> v(2, U);
  EXPECT_EQ(r.read_or_end(targets(v)), ReadStatus::Bad);
  EXPECT_EQ(r.read_or_end(targets(v)), ReadStatus::Ok);
  EXPECT_EQ(v, (std::vector<std::int32_t>{5, 6}));
  EXPECT_EQ(r.read_or_end(targets(v)), ReadStatus::End);
  EXPECT_EQ(r.line(), 2);
  EXPECT_EQ(r.read_or_end(targets(v)), ReadStatus::End);
  EXPECT_EQ(r.line(), 2);
}

TEST(ListReader, RealsConvertToTheNearestFloat) {
  const float kMax = std::numeric_limits<float>::max();
  const float kMin = std::numeric_limits<float>::min();
  const float kTiny = std::numeric_limits<float>::denorm_min();  // 2^-149
  const std::string zeros300(300, '0');
  struct {
    std::string input;
    float expected;
  } cases[] = {
      {"3", 3.0f},
      {"3.", 3.0f},
      {".5", 0.5f},
      {"3.25", 3.25f},
      {"+2.5", 2.5f},
      {"-2.5", -2.5f},
      {"1.5e3", 1500.0f},
      {"1.5E3", 1500.0f},
      {"1.5D3", 1500.0f},
      {"1.5d3", 1500.0f},
      {"1.5+3", 1500.0f},
      {"1.5e+3", 1500.0f},
      {"15E-1", 1.5f},
      {"1.5-3", 0.0015f},
      {"1+1", 10.0f},
      {"-.25d-0", -0.25f},
      {"45.3", 45.3f},
      {"0.05", 0.05f},
      {"0.1", 0x1.99999ap-4f},
      {"0.000", 0.0f},
      {"Inf", kInf},
      {"-inf", -kInf},
      {"INFINITY", kInf},
      {"+Infinity", kInf},
      // Exactly halfway between 1 and 1 + 2^-23: ties to the even 1.
      {"1.000000059604644775390625", 1.0f},
      // Just above that midpoint. Rounding to double first lands on the midpoint and then on 1.
      {"1.000000059604644775390625000000001", 0x1.000002p0f},
      // Halfway between 1 + 2^-23 and 1 + 2^-22: ties to the even 1 + 2^-22.
      {"1.000000178813934326171875", 0x1.000004p0f},
      // Just below it. Rounding to double first gives 1 + 2^-22.
      {"1.000000178813934326171874999999999", 0x1.000002p0f},
      // Digits far past those that can matter still break the tie.
      {"1.000000059604644775390625" + zeros300 + "1", 0x1.000002p0f},
      {"1" + zeros300 + "e-300", 1.0f},
      {"0." + zeros300 + "15e301", 1.5f},
      // The largest float, and the midpoint 2^128 - 2^103 above it, which goes to Infinity.
      {"3.4028235e38", kMax},
      {"3.4028235677973366e38", kMax},
      {"340282356779733661637539395458142568448", kInf},
      {"1e39", kInf},
      {"-1e39", -kInf},
      {"1e99999999999999999999", kInf},
      // Smallest normal and denormal; the midpoint 2^-150 between 0 and 2^-149 ties to 0.
      {"1.17549435e-38", kMin},
      {"1e-45", kTiny},
      {"7.00649232162408535461864791644958065640130970938257885878534141944895541342930300743319094"
       "181060791015625e-46",
       0.0f},
      {"7.0064923216240854e-46", kTiny},
      {"1e-50", 0.0f},
      {"1e-99999999999999999999", 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    ListReader r(c.input);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(read_reals(r, 1)[0]),
              std::bit_cast<std::uint32_t>(c.expected));
  }
}

TEST(ListReader, RealSignsZerosAndNaN) {
  ListReader r("-0 -0.0e5 -1e-50 0 NaN -nan nAn\n");
  const auto v = read_reals(r, 7);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v[i], 0.0f);
    EXPECT_TRUE(std::signbit(v[i])) << i;
  }
  EXPECT_FALSE(std::signbit(v[3]));
  EXPECT_TRUE(std::isnan(v[4]));
  EXPECT_TRUE(std::isnan(v[5]));
  EXPECT_TRUE(std::isnan(v[6]));

  ListReader repeat("4*2.5\n");
  EXPECT_EQ(read_reals(repeat, 4), (std::vector<float>{2.5f, 2.5f, 2.5f, 2.5f}));
}

TEST(ListReader, MegabyteLines) {
  const std::size_t n = 1 << 20;
  std::string many;
  for (std::size_t i = 0; i < n / 2; ++i) many += "1 ";
  many += "\n7\n";
  ListReader values(many);
  EXPECT_EQ(read_ints(values, 2), (std::vector<std::int32_t>{1, 1}));
  EXPECT_EQ(read_ints(values, 1), (std::vector<std::int32_t>{7}));

  const std::string digits(n, '9');
  ListReader integer(digits);
  EXPECT_THROW(read_ints(integer, 1), ReadError);
  // n nines times 10^-(n-1) is just below 10; the dropped digits still round it up to 10.
  const std::string nines = digits + "e-" + std::to_string(n - 1) + "\n";
  ListReader real(nines);
  EXPECT_EQ(read_reals(real, 1)[0], 10.0f);
  const std::string fraction = "0." + std::string(n, '0') + "25e" + std::to_string(n) + "\n";
  ListReader shifted(fraction);
  EXPECT_EQ(read_reals(shifted, 1)[0], 0.25f);
  const std::string spread = std::string(n, ' ') + std::string(n, '\n') + std::string(n, ',') + "5";
  ListReader blanks(spread);
  EXPECT_EQ(read_ints(blanks, 1), (std::vector<std::int32_t>{U}));
}

}  // namespace
}  // namespace kelvaro::textio
