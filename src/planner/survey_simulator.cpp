#include <vector>

#include "kelvaro/survey_simulation.h"
#include "planner/community.h"
#include "planner/draws.h"

namespace kelvaro::plan {
namespace {

// f(1..t) and n(1..t) of one block as whole numbers while they are counted.
struct BlockCounts {
  explicit BlockCounts(std::int32_t t)
      : f(static_cast<std::size_t>(t), 0), n(static_cast<std::size_t>(t), 0) {}
  std::vector<std::int32_t> f;
  std::vector<std::int32_t> n;

  // A species detected at `sites` (0-based site numbers; nothing when empty).
  void add(const std::vector<std::int32_t>& sites) {
    if (sites.empty()) return;
    ++f[sites.size() - 1];
    for (std::int32_t site : sites) ++n[static_cast<std::size_t>(site)];
  }
  BlockData data() const { return {std::vector<float>(f.begin(), f.end()), n, {}}; }
};

// The sites (0-based) at which a species with detection probability p is detected.
void detect(SimulationGenerator& g, double p, std::int32_t sites,
            std::vector<std::int32_t>& detected) {
  detected.clear();
  for (std::int32_t site = 0; site < sites; ++site) {
    if (bernoulli(g, p)) detected.push_back(site);
  }
}

}  // namespace

SimulatedSurvey simulate_survey(const Community& community, Design design, SimulationGenerator& g) {
  BlockCounts sample1(design.sites1), sample2(design.sites2);
  BlockCounts subset_a(design.sites2), subset_b(design.sites1);
  SimulatedSurvey out;
  std::vector<std::int32_t> at1, at2;
  for (std::int32_t species = 0; species < community.species; ++species) {
    const double p = draw_detection(g, community);
    detect(g, p, design.sites1, at1);
    at2.clear();
    if (species < community.persisting) {
      const double p2 = community.carryover == Carryover::kKept ? p : draw_detection(g, community);
      detect(g, changed_detection(p2, community), design.sites2, at2);
    }
    sample1.add(at1);
    sample2.add(at2);
    out.observed1 += at1.empty() ? 0 : 1;
    out.observed2 += at2.empty() ? 0 : 1;
    if (!at1.empty() && !at2.empty()) {
      subset_a.add(at2);
      subset_b.add(at1);
    }
  }
  for (std::int32_t colonist = 0; colonist < community.colonists; ++colonist) {
    detect(g, changed_detection(draw_detection(g, community), community), design.sites2, at2);
    sample2.add(at2);
    out.observed2 += at2.empty() ? 0 : 1;
  }
  out.survey.sites1 = design.sites1;
  out.survey.sites2 = design.sites2;
  out.survey.sample1 = sample1.data();
  out.survey.sample2 = sample2.data();
  out.survey.subset_a = subset_a.data();
  out.survey.subset_b = subset_b.data();
  return out;
}

}  // namespace kelvaro::plan
