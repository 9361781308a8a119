#include "dynamics/replicate_statistics.h"

#include <cassert>
#include <cmath>

namespace kelvaro {

float replicate_average(const float* values, int n) {
  assert(n >= 0 && n <= 10000 && "replicate_average: more replicates than a run draws");
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) sum += values[i];
  return sum / static_cast<float>(n);
}

float replicate_error(const float* values, int n, float average) {
  assert(n >= 0 && n <= 10000 && "replicate_error: more replicates than a run draws");
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    const double deviation = static_cast<double>(values[i]) - static_cast<double>(average);
    sum = static_cast<float>(static_cast<double>(sum) + deviation * deviation);
  }
  const double divisor = static_cast<double>(static_cast<float>(n)) - 1.0;
  return static_cast<float>(std::sqrt(static_cast<double>(sum) / divisor));
}

}  // namespace kelvaro
