// What kelvaro-prep warns of two samples, and that kelvaro warns of the same from the input
// kelvaro-prep writes.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "kelvaro/surveys.h"

namespace kelvaro::prep {
namespace {

using K = WarningKind;
using Detections = std::vector<std::pair<std::uint32_t, int>>;  // (species id, site index)

// Species a, b, c, d (ids 0..3); a sample of `sites` sites named s1, s2, ...
Survey survey_of(int sites1, const Detections& first, int sites2, const Detections& second) {
  Survey s(false);
  for (const char* name : {"a", "b", "c", "d"}) s.species.intern(name, {});
  for (const auto& [sample, sites, detections] :
       {std::tuple{&s.sample1, sites1, &first}, std::tuple{&s.sample2, sites2, &second}}) {
    for (int i = 1; i <= sites; ++i) sample->sites.push_back("s" + std::to_string(i));
    for (const auto& [id, site] : *detections) sample->detect(id, site);
  }
  s.sample1.label = "one.csv";
  s.sample2.label = "two.csv";
  return s;
}

std::vector<K> kinds_of(const std::vector<Warning>& warnings) {
  std::vector<K> out;
  for (const Warning& w : warnings) out.push_back(w.kind);
  return out;
}

TEST(SurveyWarnings, EachDoubtfulComparisonByName) {
  const Detections three = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}};  // a, b, c over 3 sites
  const struct {
    const char* what;
    Survey survey;
    std::vector<K> kinds;
    std::string text;  // a part of the first warning's text
  } cases[] = {
      {"two sound samples", survey_of(3, three, 3, {{0, 0}, {1, 1}, {3, 2}}), {}, ""},
      {"an empty site in each",
       survey_of(4, three, 3, {{0, 0}, {3, 2}}),
       {K::kSitesWithoutDetection, K::kSitesWithoutDetection},
       "1 of 4 sites of \"one.csv\" has no detection (\"s4\"): each counts"},
      {"a single species",
       survey_of(3, three, 1, {{1, 0}}),
       {K::kSingleSpecies},
       "only 1 species (\"b\") was detected in \"two.csv\""},
      {"no species in common",
       survey_of(3, three, 2, {{3, 0}, {3, 1}}),
       {K::kSingleSpecies, K::kNoCommonSpecies},
       "only 1 species (\"d\")"},
      {"the same table twice",
       survey_of(3, three, 3, three),
       {K::kIdenticalSamples},
       "\"two.csv\" holds the detections of \"one.csv\", every species at the same sites"},
      {"the same detections over more sites",
       survey_of(3, three, 4, three),
       {K::kSitesWithoutDetection},
       "1 of 4 sites of \"two.csv\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Warning> warnings = survey_warnings(c.survey);
    EXPECT_EQ(kinds_of(warnings), c.kinds);
    if (!warnings.empty()) {
      EXPECT_NE(warnings.front().text.find(c.text), std::string::npos) << warnings.front().text;
    }
    // kelvaro finds the same from the frequencies of the input kelvaro-prep writes.
    std::ostringstream report;
    const RunResult run =
        run_text(kelvaro_input(derive_blocks(c.survey), RunSettings{}), Settings{}, &report);
    std::vector<K> from_frequencies;
    for (const Warning& w : run.warnings) {
      if (w.kind != K::kFitTestFailed && w.kind != K::kModelDoesNotFit &&
          w.kind != K::kOutsideInterval && w.kind != K::kIllConditioned) {
        from_frequencies.push_back(w.kind);
      }
    }
    EXPECT_EQ(from_frequencies, c.kinds);
  }
}

}  // namespace
}  // namespace kelvaro::prep

namespace kelvaro::batch {
namespace {

// A sample of a long table: `sites` sites, and detections (species id, site index).
GroupSample group_sample(std::uint32_t sites, const prep::Detections& detections) {
  GroupSample s;
  for (std::uint32_t i = 0; i < sites; ++i) s.sites.push_back(i);
  for (const auto& [id, site] : detections) {
    s.species.push_back(id);
    s.site_indices.push_back(static_cast<std::uint8_t>(site));
  }
  return s;
}

// The kinds of a pair's problems rows ("g,a,b,kind,message").
std::set<std::string> problem_kinds(const std::string& rows) {
  std::set<std::string> kinds;
  std::istringstream in(rows);
  for (std::string row; std::getline(in, row);) {
    std::size_t at = 0;
    for (int field = 0; field < 3; ++field) at = row.find(',', at) + 1;
    kinds.insert(row.substr(at, row.find(',', at) - at));
  }
  return kinds;
}

TEST(PairProblems, DoubtfulPairsAndFailedFitTestsHaveKindsOfTheirOwn) {
  const prep::Detections sound = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}};
  const struct {
    const char* what;
    GroupSample first, second;
    std::set<std::string> kinds;  // among the pair's problems rows
  } cases[] = {
      {"one site and one species in both samples",
       group_sample(1, {{0, 0}}),
       group_sample(1, {{0, 0}}),
       {"fit_test_failed", "single_species", "identical_samples"}},
      {"no species in common",
       group_sample(2, {{0, 0}, {1, 1}}),
       group_sample(2, {{2, 0}, {3, 1}}),
       {"no_common_species"}},
      {"an empty site",
       group_sample(4, sound),
       group_sample(3, sound),
       {"sites_without_detection"}},
  };
  AnalysisSettings settings;
  PairAnalyst analyst(settings);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PairOutcome out = analyst.analyse({"g,a,b", "g", "a", "b", &c.first, &c.second});
    EXPECT_TRUE(out.analysed);
    const std::set<std::string> kinds = problem_kinds(out.problems);
    for (const std::string& kind : c.kinds) EXPECT_TRUE(kinds.contains(kind)) << out.problems;
  }
}

}  // namespace
}  // namespace kelvaro::batch
