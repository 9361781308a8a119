// The M(h) goodness-of-fit statistic.

#include "goodness_of_fit/site_count_spread.h"

#include "numeric/conversions.h"
#include "probability/cdtr.h"

namespace kelvaro {

GoodnessOfFitTest goodness_of_fit_test(std::span<const std::int32_t> n_sites,
                                       std::span<const std::int32_t> f_classes) {
  GoodnessOfFitTest r;
  const auto t = static_cast<std::int32_t>(n_sites.size());
  r.t = t;
  r.n.assign(n_sites.begin(), n_sites.end());
  r.f.assign(f_classes.begin(), f_classes.end());
  const auto n = [&](std::int32_t i) { return n_sites[static_cast<std::size_t>(i - 1)]; };
  const auto f = [&](std::int32_t i) { return f_classes[static_cast<std::size_t>(i - 1)]; };

  float D = 0.0f;  // total detections
  for (std::int32_t i = 1; i <= t; ++i) D = D + static_cast<float>(wrap_mul(i, f(i)));
  const float t_single = static_cast<float>(t);
  const double nbar = static_cast<double>(D) / static_cast<double>(t_single);
  double S1 = 0.0;
  double S2 = 0.0;
  for (std::int32_t i = 1; i <= t; ++i) {
    const double deviation = static_cast<double>(n(i)) - nbar;
    S1 = S1 + deviation * deviation;
    const double share = static_cast<double>(i) / static_cast<double>(t_single);  // i/t
    S2 = S2 + static_cast<double>(f(i)) * share * (1.0 - share);
  }
  r.degenerate = S2 == 0.0 || t == 1;
  if (!r.degenerate) {
    r.statistic = S1 / S2 * static_cast<double>(wrap_sub(t, 1)) / static_cast<double>(t_single);
  }

  r.df = wrap_sub(t, 1);
  r.probability = chi_square_upper_tail(r.statistic, r.df);
  return r;
}

}  // namespace kelvaro
