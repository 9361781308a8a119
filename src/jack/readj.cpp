// Frequencies of the block in hand for the jackknife estimator.
#include "jack/readj.h"

#include <algorithm>

#include "jack/jack.h"
#include "shared/numeric.h"
#include "shared/storage.h"

namespace kelvaro {

namespace {
// Classes x and f can hold; M has one more, for the count of a block with 100 classes.
constexpr std::int32_t kClasses = 100;

bool count_slot_exists(std::int32_t t) { return t >= 0 && t <= kClasses; }
}  // namespace

std::int32_t captured() {
  const std::int32_t t = minsuf.ntrap;
  return count_slot_exists(t) ? minsuf.M(t + 1) : 0;
}

void readj() {
  const std::int32_t t = work01.t;
  minsuf.ntrap = t;
  minsuf.treal = static_cast<float>(t);

  // A smaller t than last time must leave no old frequencies or count behind.
  for (std::int32_t i = 1; i <= kClasses; ++i) minsuf.f(i) = 0;
  for (std::int32_t i = 1; i <= kClasses + 1; ++i) minsuf.M(i) = 0;

  const std::int32_t top = std::min(t, kClasses);
  std::int32_t total = 0;
  for (std::int32_t i = 1; i <= top; ++i) minsuf.f(i) = trunc_to_int(work01.x(i));
  for (std::int32_t i = 1; i <= top; ++i) total = wrap_add(total, minsuf.f(i));
  if (count_slot_exists(t)) minsuf.M(t + 1) = total;

  minsuf.mreal = static_cast<float>(captured());
  jack(work01.est, work01.se);
}

}  // namespace kelvaro
