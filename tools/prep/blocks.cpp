#include "prep/blocks.h"

namespace kelvaro::prep {

std::vector<std::string> detected_species(const Sample& sample) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sample.species.size(); ++i) {
    if (!sample.sites_of[i].empty()) names.push_back(sample.species[i]);
  }
  return names;
}

std::vector<std::string> common_species(const Sample& s1, const Sample& s2) {
  std::vector<std::string> names;
  for (const std::string& name : detected_species(s1)) {
    if (detections_of(s2, name) > 0) names.push_back(name);
  }
  return names;
}

Block make_block(const Sample& sample, const std::vector<std::string>& species) {
  const std::size_t t = sample.sites.size();
  Block block{std::vector<std::int32_t>(t, 0), std::vector<std::int32_t>(t, 0)};
  for (const std::string& name : species) {
    const int k = find_species(sample, name);
    if (k < 0) continue;
    const std::vector<int>& sites = sample.sites_of[static_cast<std::size_t>(k)];
    if (sites.empty()) continue;
    ++block.f[sites.size() - 1];  // detected at exactly sites.size() sites
    for (int site : sites) ++block.n[static_cast<std::size_t>(site)];
  }
  return block;
}

KelvaroBlocks derive_blocks(const Sample& s1, const Sample& s2) {
  const std::vector<std::string> both = common_species(s1, s2);
  return {make_block(s1, detected_species(s1)), make_block(s2, detected_species(s2)),
          make_block(s2, both), make_block(s1, both)};
}

}  // namespace kelvaro::prep
