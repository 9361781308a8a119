#pragma once
// The run's one uniform generator: a 32-bit KISS generator (a congruential word, a xorshift
// register and two multiply-with-carry words) whose state is set by a byte-scattering put and
// advanced one kernel step per single-precision draw. Same seed, same stream, on every platform.

#include <cstdint>

namespace kelvaro {

// Number of 32-bit integers in a seed table (the size query of the seeding interface).
inline constexpr int kSeedSize = 8;

// Generator state. Words 0-3 (congruential, xorshift, two multiply-with-carry words) drive
// random_r4; words 4-7 are a second such set, filled by seeding and never drawn from here.
struct Generator {
  std::uint32_t state[8];
};

// The one stream of the run. Starts at the published default words (see reset_generator).
extern Generator generator;

// Puts `generator` back to its initial words 123456789, 362436069, 521288629, 316191069,
// 987654321, 458629013, 582859209, 438195021.
void reset_generator();

// Advances words[0..3] one step and returns z + w + (a << 16) + b, everything modulo 2^32.
// Example: words all 00900090 -> returns B199829E, then 61079B88, then D8020CD6.
// Words all 0 stay 0 except the congruential word, so the result is that word alone.
// Requires: words points to at least 4 words.
std::uint32_t kiss_random_kernel(std::uint32_t* words);

// Sets the whole of `generator` from the seed table p[0..7] (p(1..8)): the bytes of p(8), p(7),
// ..., p(1), each little-endian, are b(0..31); state byte (k mod 2)*16 + k/2 (words little-endian)
// receives b(k), so even bytes fill words 0-3 and odd bytes words 4-7. Any values are accepted.
// Example: all eight values 400 (bytes 90 01 00 00) -> words 0-3 00900090, words 4-7 00010001.
// Requires: p points to at least kSeedSize integers.
void random_seed_put(const std::int32_t* p);

// Draws the next number of `generator`'s stream: one kernel step on words 0-3, then
// u = (k AND FFFFFF00) * 2^-32, exact in single precision, 0 <= u <= 1 - 2^-24 (never 1.0;
// exactly 0.0 when the kept 24 bits are 0).
void random_r4(float& u);

}  // namespace kelvaro
