#pragma once
// Seeding of the run's generator from the seed number of the run header, or from the wall
// clock when that number is 0.

#include <cstdint>

namespace kelvaro {

// Wall-clock time in milliseconds since 1970-01-01 00:00 UTC, microseconds rounded to the
// nearest millisecond.
std::int64_t clock_milliseconds();

// Seeds `generator` (rewrites all 8 words) from ix: reads the clock on every call, then puts a
// table of 8 values, each ix, or, when ix = 0, c, c + 37, c + 2*37, ..., c + 7*37 with
// c = clock reading modulo 2^31 (0 <= c < 2^31) and the sums wrapping modulo 2^32.
// Every ix is accepted, negative ones included; only its bytes 0 and 2 reach the words that
// random_r4 draws from, so ix = 256, 512, 16777216, ... all give one degenerate stream.
// The seed table lives on the stack, so seeding cannot fail (no allocation, no diagnostic).
// Requires: nothing; any ix is accepted.
void init_random_seed(std::int32_t ix);

// The same with a given clock reading (any value; negative readings reduce into 0..2^31-1).
// Example: ix = 0, clock_ms = 2^31 -> table 0, 37, 74, ..., 259.
void init_random_seed(std::int32_t ix, std::int64_t clock_ms);

}  // namespace kelvaro
