// The M(h) goodness-of-fit statistic and its report.

#include "mhgof/mhgof.h"

#include <algorithm>
#include <vector>

#include "probability/cdtr.h"
#include "shared/numeric.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

constexpr char kResultLayout[] =
    "(' M(h) GOF test: Chi-square = ',f8.3,                       ' df = ',i3,' Prob = ',f8.4)";

// A free-form record: the label followed by v(1..t) as integers.
void write_labelled(const char* label, const Array1<std::int32_t, 100>& v, std::int32_t t) {
  std::vector<textio::Item> items{textio::Item(label)};
  for (std::int32_t i = 1; i <= t; ++i) items.emplace_back(v(i));
  textio::write_list(items);
}

// The statistic X; degenerate (and X = 0) when S2 = 0 or t = 1.
struct GofStatistic {
  double x;
  bool degenerate;
};

GofStatistic gof_statistic(std::int32_t t, const Array1<std::int32_t, 100>& n,
                           const Array1<std::int32_t, 100>& f) {
  const std::int32_t classes = std::clamp<std::int32_t>(t, 0, 100);
  float D = 0.0f;  // total detections
  for (std::int32_t i = 1; i <= classes; ++i) D = D + static_cast<float>(wrap_mul(i, f(i)));
  const float treal = static_cast<float>(t);
  const double nbar = static_cast<double>(D) / static_cast<double>(treal);

  double S1 = 0.0;
  double S2 = 0.0;
  for (std::int32_t i = 1; i <= classes; ++i) {
    const double deviation = static_cast<double>(n(i)) - nbar;
    S1 = S1 + deviation * deviation;
    const double share = static_cast<double>(i) / static_cast<double>(treal);  // i/t
    S2 = S2 + static_cast<double>(f(i)) * share * (1.0 - share);
  }
  if (S2 == 0.0 || t == 1) return {0.0, true};
  return {S1 / S2 * static_cast<double>(wrap_sub(t, 1)) / static_cast<double>(treal), false};
}

}  // namespace

void mhgof(std::int32_t t, const Array1<std::int32_t, 100>& n, const Array1<std::int32_t, 100>& f) {
  const std::int32_t classes = std::clamp<std::int32_t>(t, 0, 100);
  const GofStatistic stat = gof_statistic(t, n, f);
  textio::write_list({"M(h) GOF test:"});
  textio::write_list({"=============="});
  write_labelled("Observed species,     n(i) = ", n, classes);
  write_labelled("Observed frequencies, f(i) = ", f, classes);
  if (stat.degenerate) {
    textio::write_list({"**************************"});
    textio::write_list({"** error in gof routine **"});
    textio::write_list({"**************************"});
  }
  const std::int32_t df = wrap_sub(t, 1);
  double p = 0.0;
  std::int32_t status = 0;
  cdtr(stat.x, df, p, status);
  // A result a hair above 1 comes back flagged with a sentinel; it is a probability of 1.
  if (status == 1) p = 1.0;
  textio::write_formatted(kResultLayout, {stat.x, df, 1.0 - p});
}

}  // namespace kelvaro
