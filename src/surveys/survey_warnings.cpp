#include <vector>

#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

namespace kelvaro::prep {
namespace {

constexpr std::size_t kNamesShown = 3;  // sites or species named in a warning

// The species detected in a sample, in order of first naming.
std::vector<std::uint32_t> detected_species(const Sample& sample) {
  std::vector<std::uint32_t> out;
  for (const std::uint32_t id : sample.species()) {
    if (!sample.detected_at(id).empty()) out.push_back(id);
  }
  return out;
}

// "\"s3\", \"s7\", \"s9\", ..." for a list of names.
std::string named(const std::vector<std::string_view>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
    if (i > 0) text += ", ";
    text += tools::quoted_excerpt(names[i]);
  }
  if (names.size() > kNamesShown) text += ", ...";
  return text;
}

void check_sample(std::vector<Warning>& out, const Survey& survey, const Sample& sample,
                  const std::string& block) {
  const std::vector<std::uint32_t> species = detected_species(sample);
  if (species.empty()) return;  // refused while the tables were read
  if (species.size() == 1) {
    out.push_back({WarningKind::kSingleSpecies, block, 0,
                   "only 1 species (" + tools::quoted_excerpt(survey.species.label(species[0])) +
                       ") was detected in " + tools::quoted_excerpt(sample.label) +
                       ": its richness estimate, interval and M(h) test rest on a single species "
                       "and say next to nothing; check that the sample was read whole"});
  }
  SiteSet visited;
  for (const std::uint32_t id : species)
    sample.detected_at(id).for_each([&](int site) { visited.add(site); });
  std::vector<std::string_view> empty;
  for (std::size_t site = 0; site < sample.sites.size(); ++site) {
    if (!visited.contains(static_cast<int>(site))) empty.push_back(sample.sites[site]);
  }
  if (empty.empty()) return;
  out.push_back({WarningKind::kSitesWithoutDetection, block, 0,
                 std::to_string(empty.size()) + " of " + std::to_string(sample.sites.size()) +
                     " sites of " + tools::quoted_excerpt(sample.label) +
                     (empty.size() == 1 ? " has" : " have") + " no detection (" + named(empty) +
                     "): each counts as a site where every species was missed, which lowers "
                     "the detection the estimates rest on and can make the M(h) test reject; "
                     "leave out sites that were not surveyed"});
}

bool same_sites(const SiteSet& a, const SiteSet& b) {
  for (int site = 0; site < kMaxSites; ++site) {
    if (a.contains(site) != b.contains(site)) return false;
  }
  return true;
}

}  // namespace

std::vector<Warning> survey_warnings(const Survey& survey) {
  std::vector<Warning> out;
  check_sample(out, survey, survey.sample1, "Sample 1");
  check_sample(out, survey, survey.sample2, "Sample 2");
  const std::vector<std::uint32_t> first = detected_species(survey.sample1);
  const std::vector<std::uint32_t> second = detected_species(survey.sample2);
  if (first.empty() || second.empty()) return out;
  std::size_t common = 0;
  bool same =
      first.size() == second.size() && survey.sample1.sites.size() == survey.sample2.sites.size();
  for (const std::uint32_t id : first) {
    const SiteSet& there = survey.sample2.detected_at(id);
    if (!there.empty()) ++common;
    same = same && same_sites(survey.sample1.detected_at(id), there);
  }
  if (common == 0) {
    out.push_back({WarningKind::kNoCommonSpecies, "Subset A", 0,
                   "the samples share no species (species are matched by name): persistence PHI "
                   "will be 0 and every parameter will say the whole community changed; check "
                   "that both tables name the species the same way"});
  } else if (same) {
    out.push_back({WarningKind::kIdenticalSamples, "Sample 2", 0,
                   tools::quoted_excerpt(survey.sample2.label) + " holds the detections of " +
                       tools::quoted_excerpt(survey.sample1.label) +
                       ", every species at the same sites: the same table given twice? The "
                       "parameters would only say that nothing changed"});
  }
  return out;
}

}  // namespace kelvaro::prep
