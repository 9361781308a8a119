#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {
namespace {

// SplitMix64's increment: 2^64 divided by the golden ratio, rounded to an odd number.
constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15u;
// Keeps the analysis seeds apart from the simulation streams of the same survey.
constexpr std::uint64_t kAnalysisPurpose = 0x616E616C79736973u;  // "analysis" in ASCII
// Keep the plausible communities' pilots and surveys apart from the plan's own streams.
constexpr std::uint64_t kPilotPurpose = 0x70696C6F74736D6Cu;      // "pilotsml"
constexpr std::uint64_t kCommunityPurpose = 0x636F6D6D756E6974u;  // "communit"

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// SplitMix64's output function: a bijective mix of 64 bits.
std::uint64_t mix64(std::uint64_t x) {
  // The multipliers and shifts of SplitMix64's finaliser (Stafford's "Mix13").
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

// One key for (seed, design, survey): each part enters through a full mix, so neighbouring
// surveys and designs get unrelated keys.
std::uint64_t survey_key(std::uint64_t seed, std::int32_t sites1, std::int32_t sites2,
                         std::int64_t survey) {
  const std::uint64_t design =
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(sites1)) << 32) |
      static_cast<std::uint32_t>(sites2);
  std::uint64_t key = mix64(seed + kGoldenGamma);
  key = mix64(key ^ (design + kGoldenGamma));
  return mix64(key ^ (static_cast<std::uint64_t>(survey) + kGoldenGamma));
}

}  // namespace

SimulationGenerator::SimulationGenerator(std::uint64_t key) {
  std::uint64_t x = key;
  for (std::uint64_t& word : s_) {
    x += kGoldenGamma;
    word = mix64(x);
  }
  // Four consecutive SplitMix64 outputs are distinct (mix64 is a bijection), so never all zero.
}

SimulationGenerator SimulationGenerator::for_survey(std::uint64_t seed, std::int32_t sites1,
                                                    std::int32_t sites2, std::int64_t survey) {
  return SimulationGenerator(survey_key(seed, sites1, sites2, survey));
}

SimulationGenerator SimulationGenerator::for_pilot(std::uint64_t seed, std::int64_t community) {
  const std::uint64_t key = mix64(mix64(seed + kGoldenGamma) ^ kPilotPurpose);
  return SimulationGenerator(mix64(key ^ (static_cast<std::uint64_t>(community) + kGoldenGamma)));
}

std::uint64_t community_seed(std::uint64_t seed, std::int64_t community) {
  const std::uint64_t key = mix64(mix64(seed + kGoldenGamma) ^ kCommunityPurpose);
  return mix64(key ^ (static_cast<std::uint64_t>(community) + kGoldenGamma));
}

std::uint64_t SimulationGenerator::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double SimulationGenerator::uniform() {
  return static_cast<double>(next() >> 11) * 0x1p-53;  // 53 bits: every value exact in a double
}

std::int32_t analysis_seed(std::uint64_t seed, std::int32_t sites1, std::int32_t sites2,
                           std::int64_t survey) {
  const std::uint64_t key = mix64(survey_key(seed, sites1, sites2, survey) ^ kAnalysisPurpose);
  const std::uint64_t byte0 = 1 + key % 255;        // 1..255
  const std::uint64_t byte2 = (key >> 32) & 0xFFu;  // 0..255, from bits the first one hardly uses
  return static_cast<std::int32_t>(byte0 | (byte2 << 16));
}

}  // namespace kelvaro::plan
