#pragma once
// Seeding of a run's generator from the seed number of the run header, or from the wall clock
// when that number is 0.

#include <cstdint>

#include "random/uniform_generator.h"

namespace kelvaro {

// Wall-clock time in milliseconds since 1970-01-01 00:00 UTC, microseconds rounded to the
// nearest millisecond.
std::int64_t clock_milliseconds();

// The clock value c of a clock reading: clock_ms modulo 2^31 (0 <= c < 2^31; negative readings
// reduce into that range). 2^31 + 5 -> 5, -1 -> 2^31 - 1.
std::int32_t clock_seed_of(std::int64_t clock_ms);

// A generator seeded from the seed number: a table of 8 values, each the seed, or, when it is 0,
// c, c + 37, c + 2*37, ..., c + 7*37 with c = clock_ms modulo 2^31 (0 <= c < 2^31; negative
// readings reduce into that range) and the sums wrapping modulo 2^32, put into the generator.
// Every seed is accepted, negative ones included; only its bytes 0 and 2 reach the words that
// draws come from, so seeds 256, 512, 16777216, ... all give one degenerate stream.
// Example: seed 0, clock_ms = 2^31 -> table 0, 37, 74, ..., 259.
UniformGenerator seeded_generator(std::int32_t seed, std::int64_t clock_ms);

}  // namespace kelvaro
