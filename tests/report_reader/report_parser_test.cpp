#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Lines = std::vector<std::string>;

// tests/report_reader/data/hand-report.out: a report with nreps = -3, written line by line from the
// report layouts (see data/README.md). Line numbers below are its lines.
std::string hand_report() {
  std::ifstream in(KELVARO_SOURCE_DIR "/tests/report_reader/data/hand-report.out",
                   std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Lines split(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string join(const Lines& lines, const char* end = "\r\n") {
  std::string text;
  for (const std::string& l : lines) text += l + end;
  return text;
}

TEST(ReportParser, HandReportBlocksAndTest) {
  const Report r = parse_report(hand_report());
  EXPECT_EQ(r.run.rows(), (Rows{{"-3", "400"}}));
  EXPECT_EQ(r.blocks.rows(),
            (Rows{
                {"Sample 1", "7", "9.0000000", "2.1602468", "0.333", "2", "0.8465"},
                {"Sample 2", "5", "5.0000000", "0.0000000", "0.000", "2", "1.0000"},
                {"Subset A", "0", "0.0000000", "NaN", "", "", ""},
                {"Subset B", "3", "4.0000000", "1.7320508", "0.000", "2", "1.0000"},
            }));
  EXPECT_EQ(r.test.rows(), (Rows{{"8.5714285714285712", "2", "1.37686916577600001E-002"}}));
  // The estimators from the printed frequencies: Sample 1 has f = (4, 2, 1), t = 3, S = 7, so
  // chao2 = 7 + 2/3 * 16/4 = 29/3, jack1 = 7 + 4 * 2/3 = 29/3, jack2 = 7 + 4 - 2/6 = 32/3,
  // bootstrap = 7 + 4 (2/3)^3 + 2 (1/3)^3 = 7 + 34/27; kelvaro is the blocks row's text.
  ASSERT_EQ(r.estimators.size(), 20u);
  const double expected[] = {29.0 / 3, 29.0 / 3, 32.0 / 3, 7 + 34.0 / 27};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(r.estimators.cell(i, 1));
    EXPECT_EQ(r.estimators.cell(i, 0), "Sample 1");
    EXPECT_NEAR(std::stod(std::string(r.estimators.cell(i, 2))), expected[i], 1e-14);
  }
  EXPECT_EQ(r.estimators.rows()[4],
            (std::vector<std::string>{"Sample 1", "kelvaro", "9.0000000", "2.1602468", "", ""}));
}

TEST(ReportParser, HandReportParameterTable) {
  EXPECT_EQ(parse_report(hand_report()).parameters.rows(),
            (Rows{
                {"N(1)", "9.00", "8.67", "1.53", "NaN", "10.00"},
                {"N(2)", "5.00", "5.33", "0.58", "NaN", "6.00"},
                {"M2(R1)", "0.00", "4.00", "1.00", "NaN", "5.00"},
                {"M1(R2)", "4.00", "3.00", "0.00", "NaN", "3.00"},
                {"PHI", "0.4444", "0.4825", "0.1999", "NaN", "0.7143"},
                {"GAMMA", "+Infinity", "0.7833", "0.2021", "NaN", "1.0000"},
                {"LAMBDA", "0.5556", "0.6233", "0.0804", "NaN", "0.7143"},
                {"altLAMBDA", "0.7143", "0.7143", "0.0000", "NaN", "0.7143"},
                {"B", "-4.00", "1.33", "1.15", "NaN", "2.00"},
                {"p(1)", "0.7778", "0.8593", "0.1219", "NaN", "**********"},
                {"p(2)", "1.0000", "0.9444", "0.0962", "NaN", "1.0000"},
            }));
}

TEST(ReportParser, HandReportDetailLines) {
  const Report r = parse_report(hand_report());
  EXPECT_EQ(r.replicates.rows(), (Rows{
                                     {"1", "10.", "6.", "4.", "3.", "0.4000", "0.7500", "0.6000",
                                      "0.7143", "2.000", "0.8000", "0.8333", "8", "5"},
                                     {"2", "9.", "5.", "3.", "3.", "0.3333", "1.0000", "0.5556",
                                      "0.7143", "2.000", "0.7778", "1.0000", "7", "5"},
                                     {"3", "7.", "5.", "5.", "3.", "0.7143", "0.6000", "0.7143",
                                      "0.7143", "0.000", "1.0000", "1.0000", "7", "5"},
                                 }));
  EXPECT_EQ(r.replicate_summary.rows(),
            (Rows{
                {"average", "9.", "5.", "4.", "3.", "0.4825", "0.7833", "0.6233", "0.7143", "1.333",
                 "0.8593", "0.9444"},
                {"standard_error", "2.", "1.", "1.", "0.", "0.1999", "0.2021", "0.0804", "0.0000",
                 "1.155", "0.1219", "0.0962"},
            }));
  // Three replicates for each block with species; Subset A (R = 0) has none.
  ASSERT_EQ(r.block_replicates.size(), 9u);
  EXPECT_EQ(r.block_replicates.rows()[4],
            (std::vector<std::string>{"Sample 2", "2", "0", "1", "4", "0", "0", "0", "0", "5",
                                      "5.6667"}));
  EXPECT_EQ(r.mean_frequencies.rows(),
            (Rows{{"Sample 1", "4.00", "2.33", "1.00", "0.00", "0.00", "0.00"},
                  {"Sample 2", "0.00", "0.33", "4.67", "0.00", "0.00", "0.00"},
                  {"Subset B", "1.00", "1.00", "1.00", "0.00", "0.00", "0.00"}}));
}

std::string without_trailing_blanks(const Lines& lines) {
  Lines trimmed;
  for (std::string l : lines) {
    while (!l.empty() && l.back() == ' ') l.pop_back();
    trimmed.push_back(l);
  }
  return join(trimmed);
}

TEST(ReportParser, LineEndsAndTrailingBlanksDoNotMatter) {
  const Report reference = parse_report(hand_report());
  const Lines lines = split(hand_report());
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"LF only", join(lines, "\n")},
      {"CR only", join(lines, "\r")},
      {"no final line end", join(lines).substr(0, join(lines).size() - 2)},
      {"trailing blanks stripped", without_trailing_blanks(lines)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Report r = parse_report(c.text);
    EXPECT_EQ(r.blocks.rows(), reference.blocks.rows());
    EXPECT_EQ(r.parameters.rows(), reference.parameters.rows());
    EXPECT_EQ(r.replicates.rows(), reference.replicates.rows());
  }
}

TEST(ReportParser, SingleSampleRunIsComplete) {
  const Lines lines = split(hand_report());
  const Report r = parse_report(join(Lines(lines.begin(), lines.begin() + 27)));
  ASSERT_EQ(r.blocks.size(), 1u);
  EXPECT_EQ(r.blocks.rows()[0][0], "Sample 1");
  EXPECT_TRUE(r.test.empty());
  EXPECT_TRUE(r.parameters.empty());
}

TEST(ReportParser, NoticeInsteadOfTest) {
  Lines lines = split(hand_report());
  // Lines 51-68 hold the test; a run with t1 != t2 prints the three notice lines instead.
  lines.erase(lines.begin() + 50, lines.begin() + 68);
  lines.insert(lines.begin() + 50,
               {" Test for unequal p'", "  *** Number of sites/occasions must be ",
                " *** equal to perform this test"});
  const Report r = parse_report(join(lines));
  EXPECT_TRUE(r.test.empty());
  EXPECT_EQ(r.blocks.size(), 4u);
  EXPECT_EQ(r.parameters.size(), 11u);
}

TEST(ReportParser, PositiveNrepsHasNoDetailLines) {
  Lines lines = split(hand_report());
  // Remove, from the bottom up, the summary's detail block (99-108) and each block's detail
  // lines (87-92, 36-41, 16-21), and print nreps as 3.
  for (auto [first, last] : {std::pair{99, 108}, {87, 92}, {36, 41}, {16, 21}}) {
    lines.erase(lines.begin() + first - 1, lines.begin() + last);
  }
  lines[5] = "  bootstrap iterations:     3  seed number:      400";
  const Report r = parse_report(join(lines));
  EXPECT_EQ(r.run.rows(), (Rows{{"3", "400"}}));
  EXPECT_EQ(r.blocks.size(), 4u);
  EXPECT_EQ(r.parameters.size(), 11u);
  EXPECT_TRUE(r.replicates.empty());
  EXPECT_TRUE(r.block_replicates.empty());
}

TEST(ReportParser, RefusesWithTheLineWhereItStopped) {
  const Lines good = split(hand_report());
  using Edit = std::function<void(Lines&)>;
  const auto replace = [](std::size_t line, std::string text) -> Edit {
    return [=](Lines& l) { l[line - 1] = text; };
  };
  const struct {
    const char* name;
    Edit edit;
    long line;
  } cases[] = {
      {"empty report", [](Lines& l) { l.clear(); }, 1},
      {"another program's banner", replace(3, " Some other program"), 3},
      {"bootstrap count too wide",
       replace(6, "  bootstrap iterations:******  seed number:      400"), 6},
      {"ends inside Sample 2", [](Lines& l) { l.resize(40); }, 41},
      {"ends before Subset A", [](Lines& l) { l.resize(68); }, 69},
      {"letter in a detail line",
       replace(17, "      5     2     x     0     0     0     0     8      9.6667"), 17},
      {"missing detail line", [](Lines& l) { l.erase(l.begin() + 18); }, 19},
      {"bad M(h) result",
       replace(27, " M(h) GOF test: Chi-square =    0.333 df =  x2 Prob =   0.8465"), 27},
      {"short M(h) result", replace(27, " M(h) GOF test: Chi-square =    0.333"), 27},
      {"short bootstrap line", replace(6, "  bootstrap iterations:    -3"), 6},
      {"frequency beyond 32 bits",
       replace(12, " Observed frequencies, f(i) =   4294967296           2           1"), 12},
      {"wrong observed label", replace(31, " Total species observed, R(1)   =            5"), 31},
      {"second frequency row shorter", replace(56, "           0           0"), 56},
      {"pooled row too long", replace(61, "   0.000   0.000   5.000   1.000"), 61},
      {"Subset title altered", replace(70, " Subset A:Subset of species observed in both samples,"),
       70},
      {"replicate line too long", replace(100, good[99] + "     1"), 100},
      {"averages garbled",
       replace(105, "   9.   5.   4.   3. 0.4825 0.7833 0.6233 0.7143   1.333 0.8593 0.94x4"), 105},
      {"unknown parameter",
       replace(114, "       N(3)      9.00      8.67      1.53           NaN -      10.00"), 114},
      {"short parameter line", replace(114, "       N(1)      9.00      8.67"), 114},
      {"missing dash",
       replace(118, "        PHI    0.4444    0.4825    0.1999           NaN       0.7143"), 118},
      {"definition missing", [](Lines& l) { l.erase(l.begin() + 130); }, 131},
      {"text after the end",
       [](Lines& l) {
         l.insert(l.end(), {"", "more"});
       },
       147},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Lines lines = good;
    c.edit(lines);
    try {
      parse_report(join(lines));
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
    }
  }
}

TEST(ReportParser, ACutReportSaysWhereItEndsInWords) {
  const Lines good = split(hand_report());
  const auto first = [&](std::size_t n) { return join(Lines(good.begin(), good.begin() + n)); };
  const struct {
    std::size_t lines;
    const char* words;
  } cases[] = {
      {5,
       "the report ends after line 5, inside the banner, where the bootstrap line should "
       "follow"},
      {12,
       "the report ends after line 12, inside Sample 1's frequency table, where a blank line "
       "should follow"},
      {60,
       "the report ends after line 60, inside the test for unequal p's, where pooled "
       "frequencies of Sample 2 should follow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    try {
      parse_report(first(c.lines));
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_EQ(e.reason(), c.words);
    }
  }
  // A foreign line says what it is instead of the line expected.
  try {
    parse_report("\r\n\r\n");
    ADD_FAILURE() << "accepted";
  } catch (const ReportError& e) {
    EXPECT_NE(std::string(e.what()).find("found a blank line"), std::string::npos) << e.what();
  }
}

TEST(ReportParser, TruncatedReportsAreIncomplete) {
  const Lines good = split(hand_report());
  const auto first = [&](std::size_t n) { return join(Lines(good.begin(), good.begin() + n)); };
  const std::string whole = hand_report();
  const struct {
    const char* name;
    std::string text;
    long line;
  } cases[] = {
      {"empty", "", 1},
      {"only the banner", first(7), 8},
      {"inside Sample 1, before its bootstrap lines", first(15), 16},
      {"inside Sample 1, before its M(h) test", first(22), 23},
      {"after Sample 1 and the first record of Sample 2", first(28), 29},
      {"inside the M(h) result of Sample 1", first(27).substr(0, first(27).size() - 6), 27},
      {"Sample 1 complete but its last line end lost", first(27).substr(0, first(27).size() - 2),
       27},
      {"before Subset A", first(68), 69},
      {"inside the closing note", whole.substr(0, whole.size() - 20), 145},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      parse_report(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_EQ(e.kind(), ReportError::Kind::kIncomplete) << e.what();
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(
                    "the report is incomplete (did kelvaro fail? check its exit status)"),
                std::string::npos);
    }
  }
}

TEST(ReportParser, OtherFilesAreNamed) {
  const struct {
    const char* name;
    std::string text;
    const char* says;
  } cases[] = {
      {"kelvaro's input", "10 10 0 50 400\n4 7 5 4 3 4 2 1 0 0\n",
       "kelvaro's input, not its report"},
      {"kelvaro's input with commas", "3,3,0,-5,400\n", "kelvaro's input"},
      {"a site-by-species table", "site,Simve,Potam\r\ns1,1,0\r\n", "a CSV table"},
      {"tidy's own output", "parameter;estimate\n", "a CSV table"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      parse_report(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const ReportError& e) {
      EXPECT_EQ(e.kind(), ReportError::Kind::kOtherFile) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
  // Another program's text is only "not as expected".
  try {
    parse_report("Some other program\n");
    ADD_FAILURE() << "accepted";
  } catch (const ReportError& e) {
    EXPECT_EQ(e.kind(), ReportError::Kind::kUnexpected);
  }
}

}  // namespace
}  // namespace kelvaro::tidy
