// Jump-ahead of the KISS kernel, one word at a time: the congruential word and the xorshift
// register by tables of their maps raised to the powers 2^k, the multiply-with-carry words by
// modular exponentiation.

#include "random/jump_ahead.h"

#include <array>
#include <cstdint>

namespace kelvaro {

namespace {

// A count of steps has at most 64 set bits: one table entry per bit.
constexpr int kBits = 64;

// Congruential word: z -> multiplier z + increment (mod 2^32) is affine, and so is any number of
// its steps. Composing the map with itself: (m, c) o (m, c) = (m^2, m c + c).
struct Affine {
  std::uint32_t multiplier;
  std::uint32_t increment;
};

// kCongruentialPowers[k]: the map of 2^k steps.
constexpr std::array<Affine, kBits> kCongruentialPowers = [] {
  std::array<Affine, kBits> table{};
  table[0] = {kCongruentialMultiplier, kCongruentialIncrement};
  for (int k = 1; k < kBits; ++k) {
    const Affine& half = table[k - 1];
    table[k] = {half.multiplier * half.multiplier,
                half.multiplier * half.increment + half.increment};
  }
  return table;
}();

// Xorshift register: a linear map of GF(2)^32, held as its 32 columns (column j is the image of
// bit j alone), so that the image of w is the exclusive or of the columns of w's set bits.
using BitMatrix = std::array<std::uint32_t, 32>;

constexpr std::uint32_t image_of(const BitMatrix& matrix, std::uint32_t w) {
  std::uint32_t image = 0;
  for (int j = 0; j < 32; ++j) {
    image ^= matrix[j] & (0u - ((w >> j) & 1u));  // column j when bit j of w is set, else 0
  }
  return image;
}

// kXorshiftPowers[k]: the matrix of 2^k steps; the square of M has columns M (M e_j).
constexpr std::array<BitMatrix, kBits> kXorshiftPowers = [] {
  std::array<BitMatrix, kBits> table{};
  for (int j = 0; j < 32; ++j) table[0][j] = xorshift_step(1u << j);
  for (int k = 1; k < kBits; ++k) {
    for (int j = 0; j < 32; ++j) table[k][j] = image_of(table[k - 1], table[k - 1][j]);
  }
  return table;
}();

// Multiply-with-carry word with multiplier A < 2^16, step f(x) = A l + h where x = h 2^16 + l
// (0 <= l < 2^16), and m = A 2^16 - 1. Then:
//  (1) f(x) = A x (mod m), for every x: A x = A h 2^16 + A l, and A 2^16 = 1 (mod m).
//  (2) f(x) = 0 only for x = 0 (A l + h = 0 needs l = h = 0).
//  (3) f maps 0..m into 0..m: x <= m gives h <= A - 1, so f(x) <= A (2^16 - 1) + A - 1 = m.
//  (4) Two steps bring every 32-bit word into 0..m: f(x) <= A (2^16 - 1) + 2^16 - 1
//      = m + 2^16 - A, so y = f(x) has h <= A; h <= A - 1 gives f(y) <= m as in (3), and h = A
//      leaves l <= 2^16 - A - 1, so f(y) = A (l + 1) <= A (2^16 - A) <= m.
//  (5) In 0..m every residue class modulo m has one member, except 0, which has 0 and m.
//      A is invertible modulo m (A 2^16 - m = 1), so A^n x = 0 (mod m) only when x = 0 (mod m).
// Hence, for n >= 2 steps from any word x, by (1), (4) and (5): the result is A^n x mod m (the
// one member of its class in 1..m-1) when x is not a multiple of m; 0 when x = 0; and m when x is a
// positive multiple of m (0 or m by (5), not 0 by (2)), so m and 0 are fixed points. A single step
// from a word above m may end above m (up to m + 2^16 - A), so n = 1 is one direct step. Since m <
// 2^31, products of two residues fit in 64 bits.
// The image of each 4-bit group of a word under each power: kXorshiftNibbles[k][g][v] is the
// image under kXorshiftPowers[k] of v placed at bits 4g..4g+3, so that an image is the XOR of
// eight lookups (the matrix is linear over GF(2)) rather than 32 column steps.
using NibbleImages = std::array<std::array<std::uint32_t, 16>, 8>;
constexpr std::array<NibbleImages, kBits> kXorshiftNibbles = [] {
  std::array<NibbleImages, kBits> table{};
  for (int k = 0; k < kBits; ++k) {
    for (int g = 0; g < 8; ++g) {
      // v's image is its lowest bit's column XOR the image of v without that bit.
      for (std::uint32_t v = 1; v < 16; ++v) {
        const int low = __builtin_ctz(v);
        table[k][g][v] = kXorshiftPowers[k][4 * g + low] ^ table[k][g][v & (v - 1)];
      }
    }
  }
  return table;
}();

std::uint32_t nibble_image(const NibbleImages& images, std::uint32_t w) {
  std::uint32_t image = 0;
  for (int g = 0; g < 8; ++g) image ^= images[g][(w >> (4 * g)) & 15u];
  return image;
}

template <std::uint32_t kMultiplier>
struct MultiplyWithCarry {
  static_assert(kMultiplier < 65536u, "the step must fit in 32 bits");
  static constexpr std::uint64_t kModulus = std::uint64_t{kMultiplier} * 65536u - 1u;
  static_assert(kModulus < (std::uint64_t{1} << 31), "a product of residues must fit in 64 bits");

  // kPowers[k] = A^(2^k) mod m.
  static constexpr std::array<std::uint64_t, kBits> kPowers = [] {
    std::array<std::uint64_t, kBits> table{};
    table[0] = kMultiplier;
    for (int k = 1; k < kBits; ++k) table[k] = table[k - 1] * table[k - 1] % kModulus;
    return table;
  }();

  static std::uint32_t jump(std::uint32_t x, std::uint64_t steps) {
    if (steps == 0) return x;
    if (steps == 1) return mwc_step(x, kMultiplier);
    const std::uint64_t residue = x % kModulus;
    if (residue == 0) return x == 0 ? 0u : static_cast<std::uint32_t>(kModulus);
    std::uint64_t power = 1;  // A^steps mod m, one factor per set bit of steps
    for (int k = 0; steps != 0; ++k, steps >>= 1) {
      if (steps & 1u) power = power * kPowers[k] % kModulus;
    }
    return static_cast<std::uint32_t>(power * residue % kModulus);  // < m < 2^31
  }
};

}  // namespace

// The maps of 2^k steps are powers of one map, so they commute: any order of the set bits will do.
KissWords jump_ahead(const KissWords& words, std::uint64_t steps) {
  KissWords next = words;
  std::uint64_t remaining = steps;
  for (int k = 0; remaining != 0; ++k, remaining >>= 1) {
    if ((remaining & 1u) == 0) continue;
    next.z = kCongruentialPowers[k].multiplier * next.z + kCongruentialPowers[k].increment;
    next.w = nibble_image(kXorshiftNibbles[k], next.w);
  }
  next.a = MultiplyWithCarry<kMwcMultiplierA>::jump(words.a, steps);
  next.b = MultiplyWithCarry<kMwcMultiplierB>::jump(words.b, steps);
  return next;
}

}  // namespace kelvaro
