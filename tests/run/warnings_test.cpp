// Warnings: each probable slip or untrustworthy result is reported once, as data of the run, and
// never changes the report.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "run/fit_warning.h"
#include "support/golden_inputs.h"
#include "support/process.h"

namespace kelvaro {
namespace {

using K = WarningKind;

struct Collected {
  std::string out;
  std::vector<Warning> warnings;
};

// Warnings as an observer hears them during the run; they must be the result's too.
Collected run_collecting(const std::string& input, bool check_only = false) {
  struct Listener : Observer {
    std::vector<Warning> heard;
    void warning(const Warning& w) override { heard.push_back(w); }
  } listener;
  Settings settings;
  settings.check_only = check_only;
  settings.observer = &listener;
  std::ostringstream out;
  const RunResult r = run_text(input, settings, &out);
  EXPECT_EQ(r.warnings.size(), listener.heard.size());
  return {out.str(), r.warnings};
}

std::set<K> kinds(const std::vector<Warning>& warnings) {
  std::set<K> s;
  for (const Warning& w : warnings) s.insert(w.kind);
  return s;
}

// Four blocks of four sites, consistent with each other: no warning. Parts can be replaced.
std::string survey(const std::string& f1 = "4 2 1 0", const std::string& n1 = "3 3 3 2",
                   const std::string& header = "4 4 0 20 400",
                   const std::string& subset_a = "2 1 0 0\n2 1 1 0",
                   const std::string& subset_b = "2 1 0 0\n1 2 1 0") {
  return header + "\n" + f1 + "\n" + n1 + "\n3 2 1 0\n3 3 2 2\n" + subset_a + "\n" + subset_b +
         "\n";
}

TEST(Warnings, EachSlipAndCaveatOnce) {
  struct {
    const char* what;
    std::string input;
    K kind;
    std::int64_t line;      // of the first warning
    std::set<K> also = {};  // kinds raised besides (n(i) made up apart from f(i) do not fit M(h))
  } cases[] = {
      {"an 11th number on the line", survey("4 2 1 0 7"), K::kExtraNumbers, 2},
      {"a null value", survey("4,2,1,,"), K::kKeptValue, 2},
      {"a slash in a data record", survey("4 2 1 /"), K::kKeptValue, 2},
      {"a negative frequency", survey("4 2 1 -1", "3 2 1 1"), K::kNegativeValue, 2},
      {"a fractional frequency", survey("4 2.5 1 0"), K::kFractionalValue, 2},
      {"site counts whose total wraps",
       survey("4 2 1 0", "2147483647 2147483647 3 0"),
       K::kCountWraps,
       2,
       {K::kModelDoesNotFit}},
      {"detections counted two ways", survey("4 2 1 0", "3 3 3 1"), K::kDetectionsDisagree, 2},
      {"a site above the species observed",
       survey("4 2 1 0", "8 1 1 1"),
       K::kSiteAboveObserved,
       2,
       {K::kModelDoesNotFit}},
      {"subsets of unequal size",
       survey("4 2 1 0", "3 3 3 2", "4 4 0 20 400", "2 1 0 0\n2 1 1 0", "3 1 0 0\n2 2 1 0"),
       K::kSubsetSize, 8},
      {"an order test skipped for zero variance",
       "10 10 0 20 400\n0 0 12 2 2 2 2 2 2 2\n13 13 13 13 13 13 14 14 14 14\n",
       K::kOrderTestSkipped, 0},
      {"an ill-conditioned estimate", "4 4 0 20 400\n0 5 3 2\n7 7 7 6\n", K::kIllConditioned, 0},
      {"estimates outside their intervals",
       survey("4 2 1 0", "3 3 3 2", "4 4 0 20 400", "5 1 0 0\n2 2 2 1", "5 1 0 0\n2 2 2 1"),
       K::kOutsideInterval, 0},
      {"fewer than 20 replicates", survey("4 2 1 0", "3 3 3 2", "4 4 0 7 400"), K::kFewReplicates,
       1},
      {"a seed from the clock", survey("4 2 1 0", "3 3 3 2", "4 4 0 20 0"), K::kClockSeed, 1},
      // Twenty species each at one site, 16 at site 1: X = (180 / 3.2) * 4 / 5 = 45 with 4 d.f.
      {"data that do not fit M(h)", "5 5 0 20 400\n20 0 0 0 0\n16 1 1 1 1\n", K::kModelDoesNotFit,
       0},
      // Samples that are probably not the ones meant, and a fit test that cannot be computed.
      {"sites without a detection", survey("4 2 1 0", "4 4 3 0"), K::kSitesWithoutDetection, 2},
      {"a single species (at every site, so the fit test fails too)",
       "2 2 0 20 400\n0 1\n1 1\n",
       K::kSingleSpecies,
       2,
       {K::kFitTestFailed}},
      {"no species in common",
       survey("4 2 1 0", "3 3 3 2", "4 4 0 20 400", "0 0 0 0\n0 0 0 0", "0 0 0 0\n0 0 0 0"),
       K::kNoCommonSpecies, 6},
      {"the same sample twice",
       "4 4 0 20 400\n4 2 1 0\n3 3 3 2\n4 2 1 0\n3 3 3 2\n4 2 1 0\n3 3 3 2\n4 2 1 0\n3 3 3 2\n",
       K::kIdenticalSamples, 4},
      {"a fit test on one site", "1 1 0 20 400\n3\n3\n", K::kFitTestFailed, 0},
  };
  EXPECT_TRUE(run_collecting(survey()).warnings.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Collected r = run_collecting(c.input);
    ASSERT_FALSE(r.warnings.empty());
    std::set<K> expected = c.also;
    expected.insert(c.kind);
    if (c.kind == K::kClockSeed) {
      // The clock's seed draws other replicates each time: one may fall outside its interval.
      std::set<K> found = kinds(r.warnings);
      found.erase(K::kOutsideInterval);
      EXPECT_EQ(found, expected);
    } else {
      EXPECT_EQ(kinds(r.warnings), expected);
    }
    EXPECT_EQ(r.warnings.front().line, c.line);
    // Checking alone finds the input's warnings, and nothing on the report.
    const Collected checked = run_collecting(c.input, true);
    EXPECT_EQ(checked.out, "");
    if (c.line > 0 && c.kind != K::kFewReplicates) {
      EXPECT_EQ(kinds(checked.warnings), std::set<K>{c.kind});
    }
  }
}

TEST(Warnings, NameTheClassesAndSitesOfLongRecords) {
  struct {
    const char* what;
    std::string input;
    std::vector<std::string> texts;  // each begins a warning's text
  } cases[] = {
      {"150 sites",
       "150 150 0 0 400\n147*0 -1 0 2\n119*0 9 30*0\n",
       {"f(148) = -1 is negative", "the detections counted from f(i) (sum of i*f(i) = 152)",
        "n(120) = 9 is larger than the 1 species observed", "only 1 species was observed",
        "149 of 150 sites have no detection (n(1) = 0, n(2) = 0, n(3) = 0, ...): "}},
      {"the frequency pair, 150 sites",
       "150 150 1 0 400\n149*0 1\n150*1\n139*0 2.5 11*0\n",
       {"f'(140) = 2.5 is not a whole number", "only 1 species was observed",
        "the M(h) goodness-of-fit test cannot be computed (the report prints \"** error in gof "
        "routine **\"): every species was detected at every site"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Collected r = run_collecting(c.input);
    ASSERT_EQ(r.warnings.size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      EXPECT_EQ(r.warnings[i].text.substr(0, c.texts[i].size()), c.texts[i]);
    }
  }
}

TEST(Warnings, ModelFitIsWarnedAboutBelowOnePercent) {
  // Ten species spread over the five sites fit (X = 0, probability 1); twenty, 16 of them at site
  // 1, do not (X = 45, probability about 4e-9, printed 0.0000 in the report).
  const Collected fits = run_collecting("5 5 0 20 400\n10 0 0 0 0\n2 2 2 2 2\n");
  EXPECT_TRUE(fits.warnings.empty());
  const Collected rejected = run_collecting("5 5 0 20 400\n20 0 0 0 0\n16 1 1 1 1\n");
  ASSERT_EQ(rejected.warnings.size(), 1u);
  EXPECT_EQ(format_warning(rejected.warnings[0]),
            "kelvaro: warning: Sample 1: the data do not fit model M(h) (goodness-of-fit "
            "probability below 0.0001): the estimate and its interval may be biased");
  EXPECT_STREQ(warning_kind_name(K::kModelDoesNotFit), "model_does_not_fit");
  // The report is the one a run without the warning would print: it is not part of it.
  EXPECT_NE(rejected.out.find(" M(h) GOF test: Chi-square =   45.000 df =   4 Prob =   0.0000"),
            std::string::npos)
      << rejected.out;
}

TEST(Warnings, EveryKindHasANameOfItsOwn) {
  std::set<std::string> names;
  for (const K kind : kWarningKinds) names.insert(warning_kind_name(kind));
  EXPECT_EQ(names.size(), std::size(kWarningKinds));
  EXPECT_FALSE(names.contains("warning"));  // the name of no kind
  for (const char* name : {"fit_test_failed", "no_common_species", "identical_samples",
                           "single_species", "sites_without_detection"}) {
    EXPECT_TRUE(names.contains(name)) << name;
  }
}

TEST(Warnings, FitProbabilityAsTheReportPrintsIt) {
  const struct {
    double probability;
    const char* text;
  } cases[] = {
      {0.0043, "0.0043"},
      {0.00995, "0.0100"},  // below 0.01, printed as the report prints it
      {0.00005, "0.0001"},  // the double lies just above the half: F8.4 rounds it up
      {0.00004999, "below 0.0001"},
      {0.0, "below 0.0001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.probability);
    EXPECT_EQ(fit_probability_text(c.probability), c.text);
  }
  const struct {
    double probability;
    bool degenerate;
    bool warned;
  } levels[] = {{0.0099, false, true}, {0.01, false, false}, {0.0, true, false}};
  for (const auto& l : levels) {
    SCOPED_TRACE(l.probability);
    WarningLog log;
    GoodnessOfFitTest test;
    test.probability = l.probability;
    test.degenerate = l.degenerate;
    warn_if_model_rejected(log, "Sample 2", test);
    EXPECT_EQ(log.take().size(), l.warned ? 1u : 0u);
  }
}

TEST(Warnings, GoldenInputsGiveOnlyTheListedOnes) {
  const std::map<std::string, std::set<K>> listed = {
      {"detail-lines", {K::kFewReplicates}},
      {"few-replicates", {K::kFewReplicates}},
      {"no-replicates", {K::kFewReplicates}},
      {"gof-error-box", {K::kFewReplicates, K::kFitTestFailed}},
      // Synthetic inputs whose n(i) were not derived from their f(i).
      {"frequency-pair", {K::kDetectionsDisagree, K::kSubsetSize}},
      {"limiting-table", {K::kDetectionsDisagree, K::kModelDoesNotFit}},
      {"pooling",
       {K::kDetectionsDisagree, K::kIllConditioned, K::kSubsetSize, K::kModelDoesNotFit}},
      {"read-error-end-of-file", {K::kDetectionsDisagree}},
      {"sample2-bad-value-quiet", {K::kDetectionsDisagree}},
      {"subset-exceeds-parent", {K::kDetectionsDisagree, K::kOutsideInterval}},
      {"subset-nothing-observed", {K::kDetectionsDisagree, K::kSubsetSize}},
      {"unequal-t", {K::kDetectionsDisagree, K::kSubsetSize}},
      {"many-sites-pair", {K::kOutsideInterval, K::kFewReplicates}},
      {"many-sites", {K::kSitesWithoutDetection}},  // 1000 sites, some empty
  };
  for (const auto& path : testing::golden_inputs()) {
    const std::string name = path.stem().string();
    SCOPED_TRACE(name);
    const Collected r = run_collecting(testing::slurp(path.string()));
    const auto it = listed.find(name);
    EXPECT_EQ(kinds(r.warnings), it == listed.end() ? std::set<K>{} : it->second);
  }
  const std::string example = std::string(KELVARO_SOURCE_DIR) + "/examples/two-samples.txt";
  EXPECT_TRUE(run_collecting(testing::slurp(example)).warnings.empty());
}

}  // namespace
}  // namespace kelvaro
