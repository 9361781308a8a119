#pragma once
// The four words of the 32-bit KISS kernel as a value, with the kernel inline for hot loops: a
// copy held in local variables stays in registers for a whole loop. Each word has its own step
// function (they never mix), so that jump-ahead can treat them one by one. The stream is the
// one UniformGenerator::draw produces from the same words.

#include <cstdint>

namespace kelvaro {

// z -> 69069 z + 1327217885 modulo 2^32.
inline constexpr std::uint32_t kCongruentialMultiplier = 69069u;
inline constexpr std::uint32_t kCongruentialIncrement = 1327217885u;

// The multipliers of the two multiply-with-carry words: x -> A (x mod 2^16) + floor(x / 2^16).
inline constexpr std::uint32_t kMwcMultiplierA = 18000u;
inline constexpr std::uint32_t kMwcMultiplierB = 30903u;

constexpr std::uint32_t congruential_step(std::uint32_t z) {
  return kCongruentialMultiplier * z + kCongruentialIncrement;
}

// Shifts 13 left, 17 right, 5 left. Linear over GF(2); 0 stays 0.
constexpr std::uint32_t xorshift_step(std::uint32_t w) {
  w ^= w << 13;
  w ^= w >> 17;
  w ^= w << 5;
  return w;
}

// Requires: multiplier < 2^16 (so the result fits in 32 bits).
constexpr std::uint32_t mwc_step(std::uint32_t x, std::uint32_t multiplier) {
  return multiplier * (x & 65535u) + (x >> 16);
}

// Words 0-3 of a generator state. Any values are valid.
struct KissWords {
  std::uint32_t z;  // congruential word
  std::uint32_t w;  // xorshift register
  std::uint32_t a;  // multiply-with-carry word, multiplier 18000
  std::uint32_t b;  // multiply-with-carry word, multiplier 30903

  // One kernel step; returns z + w + (a << 16) + b modulo 2^32.
  // Example: all words 00900090 -> B199829E, then 61079B88, then D8020CD6.
  std::uint32_t next() {
    z = congruential_step(z);
    w = xorshift_step(w);
    a = mwc_step(a, kMwcMultiplierA);
    b = mwc_step(b, kMwcMultiplierB);
    return z + w + (a << 16) + b;
  }

  // One step as a single-precision draw: the top 24 bits of next() times 2^-32,
  // exact, 0 <= u <= 1 - 2^-24. The mask keeps 24 bits, the most a float significand holds.
  float next_uniform() { return static_cast<float>(next() & 0xFFFFFF00u) * 0x1p-32f; }

  friend bool operator==(const KissWords&, const KissWords&) = default;
};

}  // namespace kelvaro
