#include "random/uniform_generator.h"

namespace kelvaro {

UniformGenerator::UniformGenerator()
    : drawn_{123456789u, 362436069u, 521288629u, 316191069u},
      spare_{987654321u, 458629013u, 582859209u, 438195021u} {}

void UniformGenerator::put(const std::array<std::int32_t, kSeedSize>& table) {
  std::array<std::uint32_t, 8> next{};
  for (int k = 0; k < 4 * kSeedSize; ++k) {
    // b(k): byte k mod 4 of p(8 - k/4), least significant first.
    const auto value = static_cast<std::uint32_t>(table[kSeedSize - 1 - k / 4]);
    const std::uint32_t byte = (value >> (8 * (k % 4))) & 0xFFu;
    const int target = (k % 2) * 16 + k / 2;  // state byte receiving b(k)
    next[target / 4] |= byte << (8 * (target % 4));
  }
  drawn_ = {next[0], next[1], next[2], next[3]};
  spare_ = {next[4], next[5], next[6], next[7]};
}

std::array<std::uint32_t, 8> UniformGenerator::words() const {
  return {drawn_.z, drawn_.w, drawn_.a, drawn_.b, spare_[0], spare_[1], spare_[2], spare_[3]};
}

}  // namespace kelvaro
