#include "jackknife/observed_total.h"

#include "numeric/conversions.h"

namespace kelvaro {

std::int32_t observed_in_double(const float* x, std::int32_t t) {
  std::int32_t r = 0;
  for (std::int32_t i = 0; i < t; ++i) {
    r = trunc_to_int(static_cast<double>(r) + static_cast<double>(x[i]));
  }
  return r;
}

std::int32_t observed_in_single(const float* x, std::int32_t t) {
  std::int32_t r = 0;
  for (std::int32_t i = 0; i < t; ++i) r = trunc_to_int(static_cast<float>(r) + x[i]);
  return r;
}

std::int32_t captured_wrapping(const float* x, std::int32_t t) {
  std::int32_t total = 0;
  for (std::int32_t i = 0; i < t; ++i) total = wrap_add(total, trunc_to_int(x[i]));
  return total;
}

}  // namespace kelvaro
