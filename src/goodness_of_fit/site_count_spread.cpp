// The M(h) goodness-of-fit statistic.

#include "goodness_of_fit/site_count_spread.h"

#include <algorithm>

#include "numeric/conversions.h"
#include "probability/cdtr.h"

namespace kelvaro {

GoodnessOfFitTest goodness_of_fit_test(std::int32_t t, const Array1<std::int32_t, 100>& n,
                                       const Array1<std::int32_t, 100>& f) {
  GoodnessOfFitTest r;
  r.t = t;
  const std::int32_t classes = std::clamp<std::int32_t>(t, 0, 100);
  for (std::int32_t i = 1; i <= classes; ++i) {
    r.n.push_back(n(i));
    r.f.push_back(f(i));
  }

  float D = 0.0f;  // total detections
  for (std::int32_t i = 1; i <= classes; ++i) D = D + static_cast<float>(wrap_mul(i, f(i)));
  const float t_single = static_cast<float>(t);
  const double nbar = static_cast<double>(D) / static_cast<double>(t_single);
  double S1 = 0.0;
  double S2 = 0.0;
  for (std::int32_t i = 1; i <= classes; ++i) {
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
