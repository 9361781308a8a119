// Seeding of the run's generator: seed table from the seed number or the clock, then the put.

#include "ran/seed.h"

#include <chrono>

#include "ran/kiss.h"
#include "shared/numeric.h"

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

void init_random_seed(std::int32_t ix) { init_random_seed(ix, clock_milliseconds()); }

void init_random_seed(std::int32_t ix, std::int64_t clock_ms) {
  std::int64_t reduced = clock_ms % kTwoTo31;
  if (reduced < 0) reduced += kTwoTo31;
  const auto c = static_cast<std::int32_t>(reduced);  // 0 <= c < 2^31
  std::int32_t s[kSeedSize];
  for (int i = 0; i < kSeedSize; ++i) s[i] = ix;
  if (ix == 0) {
    for (int i = 0; i < kSeedSize; ++i) s[i] = wrap_add(c, kClockSeedStep * i);
  }
  random_seed_put(s);
}

}  // namespace kelvaro
