#pragma once
// The simulation's own random numbers: xoshiro256** (Blackman and Vigna, 2018), a small 64-bit
// generator of 256 bits of state, seeded through SplitMix64 (Steele, Lea and Flood, 2014). Each
// simulated survey draws from its own stream, a pure function of (seed, design, survey index),
// so results do not depend on which thread simulates which survey or in which order. The
// analysis of a simulated survey uses kelvaro's generator, seeded separately (analysis_seed).

#include <cstdint>

namespace kelvaro::plan {

class SimulationGenerator {
 public:
  // The stream of survey `survey` of the design with t1 = sites1, t2 = sites2 under `seed`.
  static SimulationGenerator for_survey(std::uint64_t seed, std::int32_t sites1,
                                        std::int32_t sites2, std::int64_t survey);
  // A stream from 64 bits of key, its state filled by four SplitMix64 steps (never all zero).
  explicit SimulationGenerator(std::uint64_t key);

  std::uint64_t next();
  // Uniform on [0, 1): the top 53 bits as a multiple of 2^-53.
  double uniform();
  // Uniform on (0, 1]: 1 - uniform(), for logarithms.
  double uniform_open_at_zero() { return 1.0 - uniform(); }

 private:
  std::uint64_t s_[4];
};

// kelvaro's seed number for the analysis of survey `survey` of a design, derived from the same
// (seed, design, survey) by another path than the simulation stream. kelvaro's generator takes
// only bytes 0 and 2 of a seed number, and all-zero words when both are 0; so byte 0 is 1..255,
// byte 2 0..255 and the rest 0: 65280 distinct analysis streams, none degenerate, never the
// clock's seed 0.
std::int32_t analysis_seed(std::uint64_t seed, std::int32_t sites1, std::int32_t sites2,
                           std::int64_t survey);

}  // namespace kelvaro::plan
