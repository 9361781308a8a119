// The summary and its report section: the detail block and the closing block, checked against
// lines composed by hand from the layouts (field by field: one literal per field).
#include "dynamics/dynamics_summary.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "report/report_writer.h"
#include "support/report_records.h"

namespace kelvaro {
namespace {

struct Replicate {
  float n1, n2, m2, m1;
  std::int32_t r1, r2;
};

ReplicateTable table_of(const std::vector<Replicate>& reps) {
  ReplicateTable t(static_cast<std::int32_t>(reps.size()));
  for (int i = 1; i <= t.replicates(); ++i) {
    const Replicate& r = reps[static_cast<std::size_t>(i - 1)];
    t.value(i, 1) = r.n1;
    t.value(i, 2) = r.n2;
    t.value(i, 3) = r.m2;
    t.value(i, 4) = r.m1;
    t.detected(i, 1) = r.r1;
    t.detected(i, 2) = r.r2;
  }
  return t;
}

// Summarises the table with the data of the worked example (N(1) = 50, N(2) = 60, M2(R1) = 35,
// M1(R2) = 42, R = 40, 45) and renders the summary's section as a run does; a negative nreps
// asks for the replicate detail.
std::vector<std::string> run(ReplicateTable& table, std::int32_t nreps, bool range_adjust) {
  const Array1<float, 4> estimates{{50.0f, 60.0f, 35.0f, 42.0f}};
  const DynamicsSummary s = summarise_dynamics(table, estimates, {40, 45}, range_adjust, nreps < 0);
  RunResult r;
  r.options.replicates = nreps < 0 ? -nreps : nreps;
  r.options.replicate_detail = nreps < 0;
  for (int k : kReportedParameters) {
    r.parameters.push_back({"", s.data(k), s.average(k), s.error(k), s.lower(k), s.upper(k)});
  }
  r.replicates = s.rows;
  std::ostringstream out;
  ReportWriter(&out).dynamics(r);
  return testing::records(out.str());
}
std::vector<std::string> run(const std::vector<Replicate>& reps, std::int32_t nreps,
                             bool range_adjust = true) {
  ReplicateTable table = table_of(reps);
  return run(table, nreps, range_adjust);
}

// Everything after the eleven table rows, the same in every run.
const std::vector<std::string> kDefinitionLines = {
    "  ",
    " Definitions:",
    " ============",
    "R(1)     : Number of species observed in Sample 1",
    "R(2)     : Number of species observed in Sample 2",
    "f(i)     : Observed frequencies - number of species observed at exactly i sites/occasions",
    "f'(i)    : Observed frequencies - number of species observed at i sites where sites are in "
    "groups of 10",
    "n(i)     : Observed species- number of species observed at the ith site/occasion",
    "N(1)     : Estimated number of species present in Sample 1",
    "N(2)     : Estimated number of species present in Sample 2",
    "M2(R1)   : Estimated number of species present in Sample 2 which were observed in Sample 1",
    "M1(R2)   : Estimated number of species presentin Sample 1 which were observed in Sample 2",
    "PHI      : Estimated complement of extinction probability - proportion of Sample 1 species "
    "still present in Sample 2",
    "GAMMA    : Estimated complement of species turnover - proportion of Sample 2 species present "
    "in Sample 1",
    "LAMBDA   : Estimated rate of change of species richness estimated as N(2)/N(1)",
    "altLAMBDA: Estimated rate of change of species richness estimated using alternate "
    "method,R(2)/R(1)",
    "B        : Estimated local colonizing species - number of species not present in Sample 1, "
    "but present in Sample 2",
    "p(1)     : Estimated species detection probability in Sample 1",
    "p(2)     : Estimated species detection probability in Sample 2",
    "  ",
    "95% confidence interval computed by ordering bootstrap replicate estimates and using the "
    "values ranked at 2.5% and 97.5%.",
};

const std::vector<std::string> kTableHeading = {
    " Parameter estimates",
    " ===================",
    "                "
    "data    bootstrap  standard  95% confidencinterval",
    "  parameter   estimate   average     error         lower       upper",
    "  ------------------------------------------------------------------",
};

void expect_lines(const std::vector<std::string>& actual, std::size_t from,
                  const std::vector<std::string>& expected) {
  ASSERT_GE(actual.size(), from + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[from + i], expected[i]) << "record " << from + i + 1;
  }
}

// Replicates 1 and 2 of the closing-block case; 3 adds an N(1) of 45.3.
const Replicate kRep1 = {50.0f, 60.0f, 35.0f, 42.0f, 40, 45};  // the data's own values
const Replicate kRep2 = {40.0f, 50.0f, 30.0f, 40.0f, 40, 40};  // PHI .75, GAMMA 1, B 20
const Replicate kRep3 = {45.3f, 55.0f, 36.0f, 44.0f, 40, 44};  // PHI .9, GAMMA 1, B 14.23

TEST(DynamicsSummary, ClosingBlockForTwoReplicates) {
  const std::vector<std::string> lines = run({kRep1, kRep2}, 2);
  // Fields: 1x, a10 label, data, average, error (f10), 4x, lower (f10), " - ", upper (f10).
  // Two replicates: error = |difference| / sqrt(2); lower and upper are the smaller and the
  // larger value (no rank 0); B's average 18.125 is exact and rounds half away from zero.
  // clang-format off
  const std::vector<std::string> rows = {
      " " "      N(1)" "     50.00" "     45.00" "      7.07" "    " "     40.00" " - " "     50.00",
      " " "      N(2)" "     60.00" "     55.00" "      7.07" "    " "     50.00" " - " "     60.00",
      " " "    M2(R1)" "     35.00" "     32.50" "      3.54" "    " "     30.00" " - " "     35.00",
      " " "    M1(R2)" "     42.00" "     41.00" "      1.41" "    " "     40.00" " - " "     42.00",
      " " "       PHI" "    0.8750" "    0.8125" "    0.0884" "    " "    0.7500" " - " "    0.8750",
      " " "     GAMMA" "    0.9333" "    0.9667" "    0.0471" "    " "    0.9333" " - " "    1.0000",
      " " "    LAMBDA" "    1.2000" "    1.2250" "    0.0354" "    " "    1.2000" " - " "    1.2500",
      " " " altLAMBDA" "    1.1250" "    1.0625" "    0.0884" "    " "    1.0000" " - " "    1.1250",
      " " "         B" "     16.25" "     18.13" "      2.65" "    " "     16.25" " - " "     20.00",
      " " "      p(1)" "    0.8000" "    0.9000" "    0.1414" "    " "    0.8000" " - " "    1.0000",
      " " "      p(2)" "    0.7500" "    0.8250" "    0.1061" "    " "    0.7500" " - " "    0.9000",
  };
  // clang-format on
  ASSERT_EQ(lines.size(), kTableHeading.size() + rows.size() + kDefinitionLines.size());
  expect_lines(lines, 0, kTableHeading);
  expect_lines(lines, kTableHeading.size(), rows);
  expect_lines(lines, kTableHeading.size() + rows.size(), kDefinitionLines);
  // The PHI row: eight blanks (1x and seven of the label field) before the letters.
  EXPECT_EQ(lines[9].substr(0, 11), "        PHI");
  EXPECT_EQ(lines[9].size(), 68u);
}

TEST(DynamicsSummary, NoReplicatesStillPrintTheTable) {
  const std::vector<std::string> lines = run({}, 0);
  ASSERT_EQ(lines.size(), 5u + 11u + kDefinitionLines.size());
  // Average 0/0 is NaN, error sqrt(0/-1) is -0.0, both limits NaN.
  EXPECT_EQ(lines[5],
            " "
            "      N(1)"
            "     50.00"
            "       NaN"
            "     -0.00"
            "    "
            "       NaN"
            " - "
            "       NaN");
  EXPECT_EQ(lines[15],
            " "
            "      p(2)"
            "    0.7500"
            "       NaN"
            "   -0.0000"
            "    "
            "       NaN"
            " - "
            "       NaN");
}

TEST(DynamicsSummary, DetailBlockForThreeReplicates) {
  const std::vector<std::string> lines = run({kRep1, kRep2, kRep3}, -3);
  // Layout (4f5.0,4f7.4,f8.3,2f7.4,2i6); summary rows end before the two integer fields.
  // clang-format off
  const std::vector<std::string> detail = {
      " " "  N1   N2   M2   M1   PHI    IHP     LAM  altLAM" "   B     P1    P2",
      "  50.  60.  35.  42." " 0.8750 0.9333 1.2000 1.1250" "  16.250" " 0.8000 0.7500" "    40    45",
      "  40.  50.  30.  40." " 0.7500 1.0000 1.2500 1.0000" "  20.000" " 1.0000 0.9000" "    40    40",
      // N1 45.3 prints as 45 with its point; B = 55 - 0.9 * 45.3 = 14.23; p(1) = 40/45.3.
      "  45.  55.  36.  44." " 0.9000 1.0000 1.2141 1.1000" "  14.230" " 0.8830 0.8182" "    40    44",
      "",
      " averages:",
      "  45.  55.  34.  42." " 0.8417 0.9778 1.2214 1.0750" "  16.827" " 0.8943 0.8227",
      " standard errors:",
      "   5.   5.   3.   2." " 0.0804 0.0385 0.0258 0.0661" "   2.928" " 0.1005 0.0751",
      "  ",
  };
  // clang-format on
  ASSERT_EQ(lines.size(), detail.size() + 5u + 11u + kDefinitionLines.size());
  expect_lines(lines, 0, detail);
  expect_lines(lines, detail.size(), kTableHeading);
}

TEST(DynamicsSummary, RangeAdjustmentOffReachesTheDetailLines) {
  // N1 = 38.6 below R(1) = 40; PHI = 50/40 and GAMMA = 60/45 above 1; B = 40 - 1.25 * 38.6.
  const std::vector<std::string> off = run({{38.6f, 40.0f, 50.0f, 60.0f, 40, 45}}, -1, false);
  ASSERT_GE(off.size(), 2u);
  EXPECT_EQ(off[1],
            "  39.  40.  50.  60."
            " 1.2500 1.3333 1.0363 1.1250"
            "  -8.250"
            " 1.0363 1.1250"
            "    40    45");
}

TEST(DynamicsSummary, SortsParameterColumnsAndLeavesTheRestAlone) {
  ReplicateTable table = table_of({kRep1, kRep2, kRep3});
  for (int i = 1; i <= 3; ++i) table.value(i, 10) = 99.0f;
  run(table, 3, true);
  for (int c : kReportedParameters) {
    SCOPED_TRACE(c);
    EXPECT_LE(table.value(1, c), table.value(2, c));
    EXPECT_LE(table.value(2, c), table.value(3, c));
  }
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(table.value(i, 10), 99.0f);
  // Column 1 sorted: 40, 45.3, 50.
  EXPECT_EQ(table.value(2, 1), 45.3f);
}

}  // namespace
}  // namespace kelvaro
