#pragma once
// The uniform generator of a run: a 32-bit KISS generator (a congruential word, a xorshift
// register and two multiply-with-carry words) whose state is set by a byte-scattering put and
// advanced one kernel step per single-precision draw. Same seed, same stream, on every platform.
// A value type: each run owns its generator, so runs on different threads never share one.

#include <array>
#include <cstdint>

#include "random/kiss_words.h"

namespace kelvaro {

// Number of 32-bit integers in a seed table.
inline constexpr int kSeedSize = 8;

class UniformGenerator {
 public:
  // The published default words 123456789, 362436069, 521288629, 316191069, 987654321,
  // 458629013, 582859209, 438195021 (never drawn from in a run, which puts a seed first).
  UniformGenerator();

  // Sets all 8 words from the seed table p(1..8) (table[0..7]): the bytes of p(8), p(7), ..., p(1),
  // each little-endian, are b(0..31); state byte (k mod 2)*16 + k/2 (words little-endian)
  // receives b(k), so even bytes fill words 0-3 and odd bytes words 4-7. Any values are accepted.
  // Example: all eight values 400 (bytes 90 01 00 00) -> words 0-3 00900090, words 4-7 00010001.
  void put(const std::array<std::int32_t, kSeedSize>& table);

  // The next number of the stream: one kernel step on words 0-3, then
  // u = (k AND FFFFFF00) * 2^-32, exact in single precision, 0 <= u <= 1 - 2^-24 (never 1.0).
  float draw() {
    ++draws_;
    return drawn_.next_uniform();
  }

  // Words 0-3, the ones draws advance: a hot loop copies them into locals and puts them back,
  // and tells the count how many draws it made (counted()).
  KissWords& stream() { return drawn_; }
  void counted(std::uint64_t draws) { draws_ += draws; }

  // Draws made since the generator was made (puts do not reset it).
  std::uint64_t draws() const { return draws_; }

  // All 8 words, 0-3 then the second set 4-7 (filled by put, never drawn from).
  std::array<std::uint32_t, 8> words() const;

 private:
  KissWords drawn_;
  std::array<std::uint32_t, 4> spare_;
  std::uint64_t draws_ = 0;
};

}  // namespace kelvaro
