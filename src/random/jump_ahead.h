#pragma once
// Jump-ahead of the 32-bit KISS kernel: the words n kernel steps later, in O(log n) operations
// instead of n steps, so that a stream can be split into blocks that start exactly where plain
// stepping would reach. A pure function of its arguments: no shared state, safe from any thread.

#include <cstdint>

#include "random/kiss_words.h"

namespace kelvaro {

// The words after `steps` calls of the kernel (KissWords::next, UniformGenerator::draw) starting
// from `words`: exactly those words, for every start (words at fixed points and multiply-with-carry
// words above their modulus included) and every count. steps = 0 returns `words`.
// Examples (words in hexadecimal, in the order z, w, a, b):
//   00900090 00900090 00900090 00900090, steps 3
//     -> 71E2780B 3E39903D 2B29ED11 3AD5048E
//   00900090 00900090 00900090 00900090, steps 10^9
//     -> 02F7D690 67D4DF0C 3ED6CDB6 62FC5E03
//   FFFFFFFF 00000001 FFFFFFFF F16DFFFE, steps 10^9
//     -> 96F52DFF 363ED7AC 1915557E 78B6FFFF
//   (F16DFFFE is twice the modulus of the word b; such a word goes to the modulus 78B6FFFF on
//   its first step and stays there.)
// Cost: per set bit of `steps`, eight table lookups (the xorshift word's image under a 32x32 bit
// matrix, taken four bits at a time) and two 64-bit modular products.
// Requires: nothing; any words and any count are accepted.
KissWords jump_ahead(const KissWords& words, std::uint64_t steps);

}  // namespace kelvaro
