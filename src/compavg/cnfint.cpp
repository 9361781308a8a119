#include "compavg/cnfint.h"

#include <cassert>
#include <limits>

#include "compavg/qrsort.h"
#include "shared/numeric.h"
#include "shared/storage.h"

namespace kelvaro {

namespace {
// The tail share and the rounding offset are held as reals (0.02500000037252903 and
// 0.5001000165939331 exactly); product and sum are formed in double.
constexpr float kTail = 0.025f;
constexpr float kRoundUp = 0.5001f;

using BootTable = decltype(Work04::boot);
}  // namespace

int cnfint_rank(int n) {
  return trunc_to_int(static_cast<double>(n) * static_cast<double>(kTail) +
                      static_cast<double>(kRoundUp));
}

void cnfint(int k, int n, float& lower, float& upper) {
  assert(k >= 1 && k <= BootTable::cols() && "cnfint: no such column");
  assert(n >= 0 && n <= BootTable::rows() && "cnfint: more replicates than rows");
  float* column = work04.boot.column(k);
  qrsort(column, n);
  if (n < 1) {
    lower = std::numeric_limits<float>::quiet_NaN();
    upper = std::numeric_limits<float>::quiet_NaN();
    return;
  }
  const int j = cnfint_rank(n);
  // Rank 0 lies outside the sorted values: the smallest value stands in for it.
  lower = work04.boot(j >= 1 ? j : 1, k);
  upper = work04.boot(n - j, k);
}

}  // namespace kelvaro
