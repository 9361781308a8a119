#include "dynamics/percentile_interval.h"

#include <cassert>
#include <limits>

#include "dynamics/replicate_sort.h"
#include "numeric/conversions.h"

namespace kelvaro {

namespace {
// The tail share and the rounding offset are held as reals (0.02500000037252903 and
// 0.5001000165939331 exactly); product and sum are formed in double.
constexpr float kTail = 0.025f;
constexpr float kRoundUp = 0.5001f;
}  // namespace

int lower_rank(int n) {
  return trunc_to_int(static_cast<double>(n) * static_cast<double>(kTail) +
                      static_cast<double>(kRoundUp));
}

PercentileInterval percentile_interval(float* values, int n) {
  assert(n >= 0 && n <= 10000 && "percentile_interval: more replicates than a run draws");
  sort_replicates(values, n);
  if (n < 1) {
    return {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()};
  }
  const int j = lower_rank(n);
  // Rank 0 lies outside the sorted values: the smallest value stands in for it.
  return {values[(j >= 1 ? j : 1) - 1], values[n - j - 1]};
}

}  // namespace kelvaro
