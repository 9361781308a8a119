#include "compavg/summary.h"

#include <cassert>
#include <cmath>

#include "shared/storage.h"

namespace kelvaro {

float boot_average(int k, int n) {
  assert(n >= 0 && n <= 10000 && "boot_average: more replicates than rows");
  float sum = 0.0f;
  for (int i = 1; i <= n; ++i) sum += work04.boot(i, k);
  return sum / static_cast<float>(n);
}

float boot_error(int k, int n, float average) {
  assert(n >= 0 && n <= 10000 && "boot_error: more replicates than rows");
  float sum = 0.0f;
  for (int i = 1; i <= n; ++i) {
    const double deviation = static_cast<double>(work04.boot(i, k)) - static_cast<double>(average);
    sum = static_cast<float>(static_cast<double>(sum) + deviation * deviation);
  }
  const double divisor = static_cast<double>(static_cast<float>(n)) - 1.0;
  return static_cast<float>(std::sqrt(static_cast<double>(sum) / divisor));
}

}  // namespace kelvaro
