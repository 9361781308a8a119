#include "kelvaro/surveys.h"

namespace kelvaro::prep {
namespace {

Block empty_block(const Sample& sample) {
  const std::size_t t = sample.sites.size();
  return {std::vector<std::int32_t>(t, 0), std::vector<std::int32_t>(t, 0)};
}

// Adds one species detected at `sites` (not empty) to the block.
void add_species(Block& block, const SiteSet& sites) {
  ++block.f[static_cast<std::size_t>(sites.count() - 1)];
  sites.for_each([&](int site) { ++block.n[static_cast<std::size_t>(site)]; });
}

}  // namespace

KelvaroBlocks derive_blocks(const Survey& survey) {
  return derive_blocks(survey.sample1, survey.sample2,
                       static_cast<std::uint32_t>(survey.species.size()));
}

KelvaroBlocks derive_blocks(const Sample& s1, const Sample& s2, std::uint32_t species_count) {
  KelvaroBlocks blocks{empty_block(s1), empty_block(s2), empty_block(s2), empty_block(s1)};
  for (std::uint32_t id = 0; id < species_count; ++id) {
    const SiteSet& in1 = s1.detected_at(id);
    const SiteSet& in2 = s2.detected_at(id);
    if (!in1.empty()) add_species(blocks.sample1, in1);
    if (!in2.empty()) add_species(blocks.sample2, in2);
    if (!in1.empty() && !in2.empty()) {
      add_species(blocks.subset_a, in2);
      add_species(blocks.subset_b, in1);
    }
  }
  return blocks;
}

}  // namespace kelvaro::prep
