#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/run_helpers.h"

namespace kelvaro {
namespace {

using testing::records;
using testing::run_text;

const std::vector<std::string> kBanner = {
    "  ",
    " *******************************************************",
    " Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel",
    "               <130607.1554>",
    " *******************************************************",
};

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t index_of(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

TEST(Engine, SlashKeepsDefaultIterationsAndSeed) {
  const auto r = run_text("3 3 0 /\n4 2 1\n5 4 3\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = records(r.out);
  ASSERT_GE(lines.size(), 10u);
  // The stamp line is a text item of 15 blanks and the stamp, after the record's own blank.
  EXPECT_EQ(lines[3], "                <130607.1554>");
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
            std::vector<std::string>(kBanner.begin(), kBanner.begin() + 3));
  EXPECT_EQ(lines[4], kBanner[4]);
  EXPECT_EQ(lines[5], "  bootstrap iterations:    50  seed number:      400");
  EXPECT_EQ(lines[6], " seed=         400");
  EXPECT_EQ(lines[7], "  ");
  EXPECT_EQ(lines[8], " Sample 1:");
  EXPECT_EQ(lines[9], " ===============================");
  EXPECT_EQ(lines[10], " Total species observed, R(1)   =            7");
  EXPECT_EQ(lines[11], " Observed frequencies, f(i) =            4           2           1");
  // Sample 1 only: the report ends with Sample 1's section, no other title.
  EXPECT_FALSE(contains(lines, " Sample 2:"));
  EXPECT_TRUE(r.err.empty());
}

// How the header and the frequencies are read, as the report shows it: records by index.
TEST(Engine, ReadValuesAsReported) {
  struct Line {
    std::size_t index;
    const char* expected;
  };
  struct {
    const char* input;
    std::vector<Line> lines;
  } cases[] = {
      {"3 3 0 -20 400\n1 0 0\n1 0 0\n",
       {{5, "  bootstrap iterations:   -20  seed number:      400"}, {6, " seed=         400"}}},
      {"3 3 0 0 0\n1 0 0\n1 0 0\n",
       {{5, "  bootstrap iterations:     0  seed number:        0"}, {6, " seed=           0"}}},
      {"3 3 0 10000 -2147483648\n1 0 0\n1 0 0\n",
       {{5, "  bootstrap iterations: 10000  seed number:*********"}, {6, " seed= -2147483648"}}},
      {"-3 3 0 5 123456789\n1 0 0\n1 0 0\n",
       {{5, "  bootstrap iterations:     5  seed number:123456789"}, {6, " seed=   123456789"}}},
      // The header spills onto the next line: nreps and ix come from there, and the rest of that
      // line is discarded.
      {"3 3 0\n7 11 99 99\n4 2 1\n5 4 3\n",
       {{5, "  bootstrap iterations:     7  seed number:       11"},
        {10, " Total species observed, R(1)   =            7"}}},
      // The running sum is truncated after every addition: 2.9 + 1.5 + 1.5 counts 4, not 5.
      {"3 3 0 0 400\n2.9 1.5 1.5\n5 4 3\n",
       {{10, " Total species observed, R(1)   =            4"},
        {11, " Observed frequencies, f(i) =            2           1           1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const auto r = run_text(c.input);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = records(r.out);
    for (const Line& l : c.lines) {
      ASSERT_LT(l.index, lines.size());
      EXPECT_EQ(lines[l.index], l.expected);
    }
  }
}

TEST(Engine, SampleTwoAbsentEmptyOrUnreadableEndsQuietly) {
  const char* tails[] = {
      "",                // input ends where Sample 2 begins
      "0 0 0\n0 0 0\n",  // Sample 2 holds no species
      "x y z\n",         // Sample 2's frequencies are not numbers
      "1 2\n",           // Sample 2's frequencies end early
  };
  for (const char* tail : tails) {
    SCOPED_TRACE(tail);
    const auto r = run_text(std::string("3 3 0 0 400\n4 2 1\n5 4 3\n") + tail);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty()) << r.err;
    const auto lines = records(r.out);
    EXPECT_FALSE(contains(lines, " Sample 2:"));
    EXPECT_FALSE(contains(lines, " Parameter estimates"));
  }
}

TEST(Engine, SampleOneWithoutSpeciesStillRunsSampleTwo) {
  const auto r = run_text("3 3 0 0 400\n0 0 0\n0 0 0\n4 2 1\n5 4 3\n");
  EXPECT_EQ(r.status, 2);  // the subsets' records are missing
  const auto lines = records(r.out);
  EXPECT_TRUE(contains(lines, " Total species observed, R(1)   =            0"));
  EXPECT_TRUE(contains(lines, " Sample 2:"));
}

TEST(Engine, UnequalSitesPrintTheNoticeAndRunTheSubsets) {
  const auto r =
      run_text("3 4 0 0 400\n4 2 1\n5 4 3\n3 2 1 1\n4 3 3 2\n2 1 0 1\n2 2 1 1\n2 1 0\n3 2 1\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = records(r.out);
  const std::size_t notice = index_of(lines, " Test for unequal p'");
  ASSERT_LT(notice + 2, lines.size());
  EXPECT_EQ(lines[notice + 1], "  *** Number of sites/occasions must be ");
  EXPECT_EQ(lines[notice + 2], " *** equal to perform this test");
  const std::size_t a = index_of(lines, " Subset A:Subset of species observed both samples,");
  ASSERT_LT(a + 2, lines.size());
  EXPECT_EQ(lines[a - 1], "  ");
  EXPECT_EQ(lines[a + 1], "          f(i) and n(i) data come from Sample 2");
  EXPECT_EQ(lines[a + 2], " ===============================================");
  EXPECT_EQ(lines[a + 3], " Total species observed, m2(R1) =            4");
  EXPECT_EQ(lines[a + 4],
            " Observed frequencies, f(i) =            2           1           0           1");
  const std::size_t b = index_of(lines, " Subset B:Subset of species observed both samples");
  ASSERT_LT(b + 4, lines.size());
  EXPECT_EQ(lines[b + 1], "          f(i) and n(i) data come from Sample 1");
  EXPECT_EQ(lines[b + 3], " Total species observed, m1(R2) =            3");
  EXPECT_TRUE(contains(lines, " Parameter estimates"));
}

TEST(Engine, ReadErrorsStopWithTwoLinesOnStandardError) {
  // The two lines last, and before them the same in words with the value as written.
  struct {
    const char* input;
    const char* words;
    const char* first_line;
    const char* reason;
  } cases[] = {
      {"3 3 0 0 400\n4 2 1\n5 3.0 3\n", "line 3, value 2: \"3.0\" is not a whole number",
       "At line 3 of file kelvaro (unit = 5, file = 'stdin')",
       "Bad integer for item 2 in list input"},
      {"3 3 0 0 400\n4 2 1\n", "line 2: the input ends before the record's last number",
       "At line 2 of file kelvaro (unit = 5, file = 'stdin')", "End of file"},
      {"3 3 0 0 400\n4 2 q\n", "line 2, value 3: \"q\" is not a number",
       "At line 2 of file kelvaro (unit = 5, file = 'stdin')",
       "Bad real number in item 3 of list input"},
      {"3 3 0 0 99999999999\n",
       "line 1, value 5: \"99999999999\" is too large (a whole number here is at most "
       "2147483647)",
       "At line 1 of file kelvaro (unit = 5, file = 'stdin')",
       "Integer overflow while reading item 5"},
      {"3 3 0 0 400\n4 2 1\n0*5 1 1\n", "line 3, value 1: \"0*5\" repeats a value zero times",
       "At line 3 of file kelvaro (unit = 5, file = 'stdin')",
       "Zero repeat count in item 1 of list input"},
      {"3 3 0 0 400\n4 2 1\n1 2x\x01yyyyyyyyyyyyyyyyyyyyy 1\n",
       "line 3, value 2: \"2x?yyyyyyyyyyyyyyyyy...\" is not a number",
       "At line 3 of file kelvaro (unit = 5, file = 'stdin')",
       "Bad integer for item 2 in list input"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const auto r = run_text(c.input);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "kelvaro: " + std::string(c.words) + "\n" + c.first_line + "\n" + c.reason + "\n");
  }
  // What was printed before the failure stays in the report.
  const auto r = run_text(cases[0].input);
  const auto lines = records(r.out);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[8], " Sample 1:");
}

TEST(Engine, RefusedHeadersPrintNothingOnTheReport) {
  struct {
    const char* header;
    const char* message;
  } cases[] = {
      {"0 3 0 50 400", "kelvaro: t1 = 0 is outside the allowed range 1..1000\n"},
      {"1001 3 0 50 400", "kelvaro: t1 = 1001 is outside the allowed range 1..1000\n"},
      {"-1001 3 0 50 400", "kelvaro: t1 = 1001 is outside the allowed range 1..1000\n"},
      {"-2147483648 3 0 50 400",
       "kelvaro: t1 = -2147483648 is outside the allowed range 1..1000\n"},
      {"3 0 0 50 400", "kelvaro: t2 = 0 is outside the allowed range 1..1000\n"},
      {"3 1001 0 50 400", "kelvaro: t2 = 1001 is outside the allowed range 1..1000\n"},
      // The same range with the frequency pair.
      {"1001 3 1 50 400", "kelvaro: t1 = 1001 is outside the allowed range 1..1000\n"},
      {"3 1001 -7 50 400", "kelvaro: t2 = 1001 is outside the allowed range 1..1000\n"},
      {"3 3 0 10001 400", "kelvaro: nreps = 10001 is outside the allowed range -10000..10000\n"},
      {"3 3 0 -10001 400", "kelvaro: nreps = -10001 is outside the allowed range -10000..10000\n"},
      {"3 3 0 -2147483648 400",
       "kelvaro: nreps = -2147483648 is outside the allowed range -10000..10000\n"},
      {"/", "kelvaro: t1 = 0 is outside the allowed range 1..1000\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    const auto r = run_text(std::string(c.header) + "\n1 2 3\n1 1 1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.message);
  }
}

TEST(Engine, ValuesKeptFromBeforeReachBeyondTheHundredthSlot) {
  // A null value keeps what the slot held: the class Sample 1 left there (no replicates, so its
  // data), in slot 150 of f, and with the frequency pair in slot 2 x 120 + 1 = 241, f'(121).
  struct {
    const char* what;
    std::string input;
    std::size_t cls;  // of Sample 2's frequencies estimated from
    std::int32_t kept;
  } cases[] = {
      {"f(150)", "150 150 0 0 400\n149*0 3\n150*1\n149*0 1*\n150*1\n", 149, 3},
      {"f'(121)", "120 120 1 0 400\n120*1\n120*1\n120*0 5\n120*1\n120*1\n120*0 1*\n", 120, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RunResult r = kelvaro::run_text(c.input);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_EQ(r.blocks[1].frequencies.at(c.cls), c.kept);
  }
}

TEST(Engine, LimitsThemselvesAreAccepted) {
  const char* headers[] = {"1000 1000 0 0 400", "-1000 1000 1 0 400", "1 1 0 10000 400",
                           "1 1 0 -10000 400"};
  for (const char* header : headers) {
    SCOPED_TRACE(header);
    // Sample 1 of zeros only: cheap whatever the counts are.
    const auto r = run_text(std::string(header) + "\n");
    EXPECT_EQ(r.status, 2);  // Sample 1's records are missing, but the header passed
    EXPECT_NE(r.err.find("\nAt line 1 of file kelvaro"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kelvaro
