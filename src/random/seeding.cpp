// Seeding of a generator: seed table from the seed number or the clock, then the put.

#include "random/seeding.h"

#include <chrono>

#include "kelvaro/kelvaro.h"
#include "numeric/conversions.h"

namespace kelvaro {

namespace {

constexpr std::int64_t kTwoTo31 = std::int64_t{1} << 31;

// Spacing between successive values of a clock-derived seed table.
constexpr std::int32_t kClockSeedStep = 37;

}  // namespace

std::int64_t clock_milliseconds() {
  using std::chrono::duration_cast;
  using std::chrono::microseconds;
  const std::int64_t us =
      duration_cast<microseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  // Round half up to the nearest millisecond; floor division keeps this right before 1970 too.
  const std::int64_t shifted = us + 500;
  std::int64_t ms = shifted / 1000;
  if (shifted % 1000 < 0) --ms;
  return ms;
}

std::int32_t clock_seed_of(std::int64_t clock_ms) {
  std::int64_t reduced = clock_ms % kTwoTo31;
  if (reduced < 0) reduced += kTwoTo31;
  return static_cast<std::int32_t>(reduced);  // 0 <= c < 2^31
}

std::int32_t read_clock_seed() { return clock_seed_of(clock_milliseconds()); }

UniformGenerator seeded_generator(std::int32_t seed, std::int64_t clock_ms) {
  const std::int32_t c = clock_seed_of(clock_ms);
  std::array<std::int32_t, kSeedSize> table;
  for (int i = 0; i < kSeedSize; ++i) {
    table[i] = seed == 0 ? wrap_add(c, kClockSeedStep * i) : seed;
  }
  UniformGenerator g;
  g.put(table);
  return g;
}

}  // namespace kelvaro
