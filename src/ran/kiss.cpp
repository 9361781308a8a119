// The 32-bit KISS generator, its byte-scattering put and the single-precision draw.

#include "ran/kiss.h"

namespace kelvaro {

namespace {

// The published default seeds of the generator, the state before any put.
constexpr Generator kInitialGenerator = {{123456789u, 362436069u, 521288629u, 316191069u,
                                          987654321u, 458629013u, 582859209u, 438195021u}};

// 2^-32: scales the kept top 24 bits of a kernel output into [0, 1).
constexpr float kTwoToMinus32 = 0x1p-32f;

// Keeps the top 24 bits, the most a single-precision significand holds exactly.
constexpr std::uint32_t kDrawMask = 0xFFFFFF00u;

}  // namespace

Generator generator = kInitialGenerator;

void reset_generator() { generator = kInitialGenerator; }

std::uint32_t kiss_random_kernel(std::uint32_t* words) {
  std::uint32_t z = words[0];
  std::uint32_t w = words[1];
  std::uint32_t a = words[2];
  std::uint32_t b = words[3];
  z = 69069u * z + 1327217885u;  // congruential step
  w ^= w << 13;                  // xorshift 13, 17, 5
  w ^= w >> 17;
  w ^= w << 5;
  a = 18000u * (a & 65535u) + (a >> 16);  // multiply-with-carry, multiplier 18000
  b = 30903u * (b & 65535u) + (b >> 16);  // multiply-with-carry, multiplier 30903
  words[0] = z;
  words[1] = w;
  words[2] = a;
  words[3] = b;
  return z + w + (a << 16) + b;
}

void random_seed_put(const std::int32_t* p) {
  Generator next = {};
  for (int k = 0; k < 4 * kSeedSize; ++k) {
    // b(k): byte k mod 4 of p(8 - k/4), least significant first.
    const auto value = static_cast<std::uint32_t>(p[kSeedSize - 1 - k / 4]);
    const std::uint32_t byte = (value >> (8 * (k % 4))) & 0xFFu;
    const int target = (k % 2) * 16 + k / 2;  // state byte receiving b(k)
    next.state[target / 4] |= byte << (8 * (target % 4));
  }
  generator = next;
}

void random_r4(float& u) {
  const std::uint32_t k = kiss_random_kernel(generator.state);
  u = static_cast<float>(k & kDrawMask) * kTwoToMinus32;
}

}  // namespace kelvaro
