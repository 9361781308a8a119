// Curves with their intervals and the comparison of the two samples, through the public
// interface and the tables the front ends print.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "kelvaro/curves.h"
#include "kelvaro/tables.h"
#include "support/process.h"

namespace kelvaro {
namespace {

const Incidence kWeek4{kSample1, 12, {24, 11, 6, 4, 7, 8, 2, 2, 4, 1, 5, 9}};
const Incidence kWeek24{kSample2, 12, {31, 5, 8, 10, 5, 9, 6, 1, 3, 3, 3, 11}};

std::set<CurveWarningKind> kinds(const ResultCurves& r) {
  std::set<CurveWarningKind> out;
  for (const CurveWarning& w : r.warnings) out.insert(w.kind);
  return out;
}

// Built by a call: GCC 12 warns, wrongly, of uninitialised vectors in a table of aggregates.
Incidence sample1(std::int32_t sites, std::vector<std::int32_t> frequencies) {
  return {kSample1, sites, std::move(frequencies)};
}

bool finite(const std::optional<double>& v) { return !v || std::isfinite(*v); }

TEST(Curves, DegenerateBlocksAreDefinedAndSaySo) {
  using K = CurveWarningKind;
  const struct {
    const char* name;
    Incidence data;
    std::int32_t replicates;
    std::set<K> warnings;
    double q0, coverage_t, at_2t;  // Q0, C(T) (-1: none), S(2T); all -1: no curve
    double width_2t;               // the interval's width at 2T (-1: none, -2: not checked)
  } cases[] = {
      {"no species", sample1(5, {0, 0}), 20, {K::kNoSpecies}, 0, -1, 0, -1},
      {"one site", sample1(1, {7}), 20, {K::kOneSite}, 0, 1, 7, 0},
      {"species everywhere", sample1(3, {0, 0, 6}), 20, {K::kEverySiteEverySpecies}, 0, 1, 6, 0},
      {"one species, a singleton", sample1(4, {1}), 20, {}, 0, 1, 1, -2},
      {"Q1 = 0", sample1(5, {0, 3, 0, 2}), 20, {}, 0, 1, 5, -2},
      // A = 2/4: C(T) = 1 - (2/5)(1/2), S(2T) = 3 + (2/3)(1 - 1/8).
      {"Q2 = 0", sample1(3, {2, 0, 1}), 20, {}, 2.0 / 3, 0.8, 3 + 7.0 / 12, -2},
      // Q0 = (1/2) 1 / 2, A = 1/3: C(T) = 1 - (1/3)(1/3), S(2T) = 2 + (1/4)(1 - 1/9).
      {"one replicate", sample1(2, {1, 1}), 1, {K::kNoIntervals}, 0.25, 8.0 / 9, 2 + 2.0 / 9, -1},
      {"a negative frequency", sample1(4, {3, -1}), 20, {K::kInvalidData}, -1, -1, -1, -1},
      {"a class above T", sample1(2, {1, 0, 1}), 20, {K::kInvalidData}, -1, -1, -1, -1},
      {"no sites", sample1(0, {}), 20, {K::kInvalidData}, -1, -1, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CurveSettings settings;
    settings.replicates = c.replicates;
    const ResultCurves r = estimate_curves({c.data}, settings);
    EXPECT_EQ(kinds(r), c.warnings);
    ASSERT_EQ(r.blocks.size(), c.at_2t >= 0 ? 1u : 0u);
    if (c.at_2t < 0) continue;
    const BlockCurve& b = r.blocks[0];
    ASSERT_EQ(b.points.size(), 2u * c.data.sites);
    for (const CurvePoint& p : b.points) {
      EXPECT_TRUE(std::isfinite(p.richness) && finite(p.lower) && finite(p.upper) &&
                  finite(p.coverage))
          << p.sites;
      EXPECT_EQ(p.coverage.has_value(), c.coverage_t >= 0);
    }
    EXPECT_DOUBLE_EQ(b.undetected, c.q0);
    if (c.coverage_t >= 0) {
      EXPECT_DOUBLE_EQ(*b.points[c.data.sites - 1].coverage, c.coverage_t);
    }
    const CurvePoint& end = b.points.back();
    EXPECT_DOUBLE_EQ(end.richness, c.at_2t);
    if (c.width_2t == -1) {
      EXPECT_FALSE(end.lower || end.upper);
    } else if (c.width_2t >= 0) {
      ASSERT_TRUE(end.lower && end.upper);
      EXPECT_EQ(*end.upper - *end.lower, c.width_2t);
    }
  }
}

TEST(Curves, IntervalsHoldTheEstimateAndRepeatWithTheSeed) {
  CurveSettings settings;
  const ResultCurves r = estimate_curves({kWeek4, kWeek24}, settings);
  ASSERT_EQ(r.blocks.size(), 2u);
  for (const BlockCurve& b : r.blocks) {
    EXPECT_EQ(b.replicates, 50);
    for (const CurvePoint& p : b.points) {
      ASSERT_TRUE(p.lower && p.upper);
      EXPECT_LE(*p.lower, p.richness);
      EXPECT_GE(*p.upper, p.richness);
      EXPECT_EQ(p.kind, p.sites < 12    ? CurveKind::kInterpolated
                        : p.sites == 12 ? CurveKind::kObserved
                                        : CurveKind::kExtrapolated);
    }
    EXPECT_GT(*b.points[11].upper, *b.points[11].lower);  // S* varies at T
  }
  EXPECT_EQ(curves_table(estimate_curves({kWeek4, kWeek24}, settings)).rows(),
            curves_table(r).rows());
  // Each block draws from its own stretch of the stream: Sample 2 alone gives the same curve.
  EXPECT_EQ(curves_table(estimate_curves({kWeek24}, settings)).rows(),
            curves_table(ResultCurves{{r.blocks[1]}, {}, {}, 0}).rows());
  settings.seed = 401;
  EXPECT_NE(estimate_curves({kWeek4}, settings).blocks[0].points[0].lower,
            r.blocks[0].points[0].lower);
}

TEST(Curves, SamplesComparedAtEqualEffortAndCoverage) {
  // Sample 2 of 6 sites: the effort compared is 6; the coverage the lower of C(2T).
  const Incidence fewer{kSample2, 6, {5, 0, 2, 1, 0, 3}};
  const ResultCurves r = estimate_curves({kWeek4, fewer}, CurveSettings{});
  ASSERT_EQ(r.standardised.size(), 4u);
  const StandardisedRichness &e1 = r.standardised[0], &e2 = r.standardised[1],
                             &c1 = r.standardised[2], &c2 = r.standardised[3];
  EXPECT_EQ(e1.sites, 6.0);
  EXPECT_EQ(e1.richness, r.blocks[0].points[5].richness);
  EXPECT_EQ(e2.kind, CurveKind::kObserved);
  EXPECT_EQ(e2.richness, 11.0);
  const double lower_coverage =
      std::min(*r.blocks[0].points[23].coverage, *r.blocks[1].points[11].coverage);
  EXPECT_EQ(c1.coverage, lower_coverage);
  EXPECT_EQ(c2.coverage, lower_coverage);
  // The sample with the lower coverage at 2T is compared at 2T.
  const bool second_lower = lower_coverage == *r.blocks[1].points[11].coverage;
  EXPECT_EQ((second_lower ? c2 : c1).sites, second_lower ? 12 : 24);
  for (const StandardisedRichness& s : r.standardised) {
    EXPECT_TRUE(s.lower && *s.lower <= s.richness && s.richness <= *s.upper);
  }

  const struct {
    const char* name;
    std::optional<std::int32_t> effort;
    std::optional<double> coverage;
    std::size_t rows;
    std::set<CurveWarningKind> warnings;
  } given[] = {
      {"effort 0", 0, {}, 2, {CurveWarningKind::kSettingRefused}},
      {"effort 30", 30, {}, 4, {CurveWarningKind::kBeyondDoubleEffort}},
      {"coverage 1.5", {}, 1.5, 2, {CurveWarningKind::kSettingRefused}},
      {"coverage 1: infinite effort", {}, 1.0, 4, {CurveWarningKind::kInfiniteEffort}},
  };
  for (const auto& g : given) {
    SCOPED_TRACE(g.name);
    CurveSettings s;
    s.effort = g.effort;
    s.coverage = g.coverage;
    const ResultCurves out = estimate_curves({kWeek4, kWeek24}, s);
    EXPECT_EQ(out.standardised.size(), g.rows);
    EXPECT_EQ(kinds(out), g.warnings);
    if (g.coverage == 1.0) {
      EXPECT_FALSE(out.standardised[3].sites);
    }
  }
}

TEST(Curves, TablesOfARunsSamples) {
  const RunResult run = kelvaro::run_text(
      testing::slurp(std::string(KELVARO_SOURCE_DIR) + "/examples/two-samples.txt"));
  CurveSettings settings = curve_settings(run);
  settings.replicates = 0;
  const ResultCurves r = result_curves(run, settings);
  ASSERT_EQ(r.blocks.size(), 2u);
  EXPECT_EQ(r.blocks[1].observed, run.blocks[1].observed);
  const Table curves = curves_table(r);
  ASSERT_EQ(curves.size(), 40u);
  EXPECT_EQ(curves.columns()[2].name, "kind");
  std::vector<std::string> observed = curves.rows()[29];
  observed.resize(6);
  EXPECT_EQ(observed, (std::vector<std::string>{"Sample 2", "10", "observed", "38", "", ""}));
  EXPECT_EQ(standardised_table(r).rows()[0][0], "effort");
  EXPECT_EQ(kinds(r), std::set<CurveWarningKind>{CurveWarningKind::kNoIntervals});

  // With the frequency pair, the plain f(i) are the M(h) test's; without them, no curve.
  RunResult pair;
  pair.blocks.resize(2);
  for (BlockNumber b : {kSample1, kSample2}) {
    BlockResult& block = pair.blocks[b - 1];
    block.block = b;
    block.sites = 4;
    block.classes = 5;
    block.frequencies = {9, 9, 9, 9, 9};
  }
  pair.blocks[0].goodness_of_fit = GoodnessOfFitTest{};
  pair.blocks[0].goodness_of_fit->f = {3, 1, 0, 1};
  const ResultCurves p = result_curves(pair, settings);
  ASSERT_EQ(p.blocks.size(), 1u);
  EXPECT_EQ(curves_table(p).rows()[0][3], "2.25");  // the header's example, S(1) = 9/4
  EXPECT_EQ(p.warnings[0].kind, CurveWarningKind::kNoIncidence);
  // What a program keeps of the run to make them later.
  const RunIncidence kept = run_incidence(pair);
  ASSERT_EQ(kept.samples.size(), 1u);
  EXPECT_EQ(kept.samples[0].frequencies, (std::vector<std::int32_t>{3, 1, 0, 1}));
  EXPECT_EQ(kept.left_out.size(), 1u);
}

}  // namespace
}  // namespace kelvaro
