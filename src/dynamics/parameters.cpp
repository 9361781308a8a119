#include "dynamics/parameters.h"

#include "numeric/conversions.h"

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

void derive_replicate_parameters(ReplicateTable& table, std::int32_t i, bool range_adjust,
                                 ObservedCounts observed) {
  auto boot = [&table, i](int k) -> float& { return table.value(i, k); };
  const float r_data1 = static_cast<float>(observed.sample1);
  const float r_data2 = static_cast<float>(observed.sample2);
  const float r1 = static_cast<float>(table.detected(i, 1));
  const float r2 = static_cast<float>(table.detected(i, 2));

  if (range_adjust) {
    raise_to_observed(boot(1), observed.sample1);
    raise_to_observed(boot(2), observed.sample2);
  }
  boot(5) = boot(3) / r1;
  boot(6) = boot(4) / r2;
  if (range_adjust) {
    if (boot(5) > 1.0f) boot(5) = 1.0f;
    if (boot(6) > 1.0f) boot(6) = 1.0f;
  }
  boot(7) = boot(2) / boot(1);
  boot(8) = r2 / r1;
  boot(9) = colonising(boot(2), boot(5), boot(1));
  if (range_adjust && boot(9) < 0.0f) boot(9) = 0.0f;
  boot(11) = r_data1 / boot(1);
  boot(12) = r_data2 / boot(2);
}

ParameterValues data_parameters(const Array1<float, 4>& estimates, ObservedCounts observed) {
  ParameterValues value{};
  const float r1 = static_cast<float>(observed.sample1);
  const float r2 = static_cast<float>(observed.sample2);
  for (int k = 1; k <= 4; ++k) value(k) = estimates(k);
  value(5) = at_most_one(value(3) / r1);
  value(6) = at_most_one(value(4) / r2);
  value(7) = value(2) / value(1);
  value(8) = r2 / r1;
  value(9) = colonising(value(2), value(5), value(1));
  if (value(9) < 0.0f) value(9) = 0.0f;
  value(10) = 0.0f;
  value(11) = r1 / value(1);
  value(12) = r2 / value(2);
  return value;
}

}  // namespace kelvaro
