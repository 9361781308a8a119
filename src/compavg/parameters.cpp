#include "compavg/parameters.h"

#include "shared/numeric.h"
#include "shared/storage.h"

namespace kelvaro {

namespace {

// B = n2 - phi * n1: the one formula formed in double, rounded to a real once.
float colonising(float n2, float phi, float n1) {
  const double b = static_cast<double>(n2) - static_cast<double>(phi) * static_cast<double>(n1);
  return static_cast<float>(b);
}

// An estimate whose integer part lies below the observed count is raised to that count.
void raise_to_observed(float& estimate, std::int32_t observed) {
  if (!fits_int(estimate) || trunc_to_int(estimate) < observed) {
    estimate = static_cast<float>(observed);
  }
}

// q when q < 1, otherwise (NaN too) 1.0.
float at_most_one(float q) { return q < 1.0f ? q : 1.0f; }

}  // namespace

void replicate_parameters(int i, std::int32_t swtch) {
  auto& boot = work04.boot;
  const float r_data1 = static_cast<float>(work03.nobs(1));
  const float r_data2 = static_cast<float>(work03.nobs(2));
  const float r1 = static_cast<float>(work04.nobsb(i, 1));
  const float r2 = static_cast<float>(work04.nobsb(i, 2));

  if (swtch != 0) {
    raise_to_observed(boot(i, 1), work03.nobs(1));
    raise_to_observed(boot(i, 2), work03.nobs(2));
  }
  boot(i, 5) = boot(i, 3) / r1;
  boot(i, 6) = boot(i, 4) / r2;
  if (swtch != 0) {
    if (boot(i, 5) > 1.0f) boot(i, 5) = 1.0f;
    if (boot(i, 6) > 1.0f) boot(i, 6) = 1.0f;
  }
  boot(i, 7) = boot(i, 2) / boot(i, 1);
  boot(i, 8) = r2 / r1;
  boot(i, 9) = colonising(boot(i, 2), boot(i, 5), boot(i, 1));
  if (swtch != 0 && boot(i, 9) < 0.0f) boot(i, 9) = 0.0f;
  boot(i, 11) = r_data1 / boot(i, 1);
  boot(i, 12) = r_data2 / boot(i, 2);
}

void data_parameters(ParameterValues& value) {
  const float r1 = static_cast<float>(work03.nobs(1));
  const float r2 = static_cast<float>(work03.nobs(2));
  for (int k = 1; k <= 4; ++k) value(k) = work03.nest(k);
  value(5) = at_most_one(value(3) / r1);
  value(6) = at_most_one(value(4) / r2);
  value(7) = value(2) / value(1);
  value(8) = r2 / r1;
  value(9) = colonising(value(2), value(5), value(1));
  if (value(9) < 0.0f) value(9) = 0.0f;
  value(10) = 0.0f;
  value(11) = r1 / value(1);
  value(12) = r2 / value(2);
}

}  // namespace kelvaro
