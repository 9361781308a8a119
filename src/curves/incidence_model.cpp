// The curve formulas of one block (curves/incidence_model.h, kelvaro/curves.h).

#include "curves/incidence_model.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "exactmath/exp.h"
#include "exactmath/log.h"

namespace kelvaro::curves {

double power(double x, double y) {
  if (y == 0) return 1.0;
  if (x == 0) return 0.0;
  return exactmath::exp(y * exactmath::log(x));
}

IncidenceModel::IncidenceModel(std::int32_t sites, std::vector<double> counts)
    : sites_(sites), counts_(std::move(counts)) {
  assert(sites >= 1 && counts_.size() <= static_cast<std::size_t>(sites) && "Q_k for k <= T");
  counts_.resize(static_cast<std::size_t>(sites), 0.0);
  for (std::int32_t k = 1; k <= sites; ++k) {
    observed_ += counts_[k - 1];
    incidences_ += k * counts_[k - 1];
  }
  const double t = sites;
  const double q1 = counts_[0];
  const double q2 = sites >= 2 ? counts_[1] : 0.0;
  singletons_ = q1;
  if (q2 > 0) {
    undetected_ = (t - 1) / t * (q1 * q1) / (2 * q2);
    ratio_ = q1 > 0 ? (t - 1) * q1 / ((t - 1) * q1 + 2 * q2) : 0.0;
  } else if (q1 > 0) {
    undetected_ = (t - 1) / t * q1 * (q1 - 1) / 2;
    ratio_ = (t - 1) * (q1 - 1) / ((t - 1) * (q1 - 1) + 2);
  }
}

Interpolation IncidenceModel::interpolate() const {
  const std::int32_t t_max = sites_;
  const double t_sites = t_max;
  Interpolation c;
  c.richness.assign(static_cast<std::size_t>(t_max) + 1, 0.0);
  c.coverage.assign(static_cast<std::size_t>(t_max) + 1, 0.0);
  // The classes holding species, k ascending, with g = C(T-k, t) / C(T-1, t) (1 at t = 0). At t
  // sites the classes k <= T - t have g > 0, a prefix of them; the others have every species
  // found: S(t) = S - ((T-t)/T) sum of Q_k g and C(t) = 1 - (1/U) sum of k Q_k g over the prefix.
  std::vector<std::int32_t> classes;
  for (std::int32_t k = 1; k <= t_max; ++k) {
    if (counts_[k - 1] != 0) classes.push_back(k);
  }
  std::vector<double> g(classes.size(), 1.0);
  std::size_t active = classes.size();
  for (std::int32_t t = 1; t < t_max; ++t) {
    while (active > 0 && classes[active - 1] > t_max - t) --active;
    double unfound = 0.0, deficit = 0.0;
    for (std::size_t i = 0; i < active; ++i) {
      const std::int32_t k = classes[i];
      g[i] = g[i] * (t_max - k - t + 1) / (t_max - t);
      unfound += counts_[k - 1] * g[i];
      deficit += k * counts_[k - 1] * g[i];
    }
    c.richness[t] = observed_ - unfound * (t_max - t) / t_sites;
    if (has_species()) c.coverage[t] = 1 - deficit / incidences_;
  }
  c.richness[t_max] = observed_;
  if (has_species()) c.coverage[t_max] = extrapolated_coverage(0);
  return c;
}

double IncidenceModel::extrapolated_richness(double m) const {
  return observed_ + undetected_ * (1 - power(ratio_, m));
}

double IncidenceModel::extrapolated_coverage(double m) const {
  return 1 - singletons_ / incidences_ * power(ratio_, m + 1);
}

double IncidenceModel::richness_at(const Interpolation& curve, std::int32_t t) const {
  return t <= sites_ ? curve.richness[t] : extrapolated_richness(t - sites_);
}

double IncidenceModel::coverage_at(const Interpolation& curve, std::int32_t t) const {
  return t <= sites_ ? curve.coverage[t] : extrapolated_coverage(t - sites_);
}

CoveragePoint IncidenceModel::at_coverage(const Interpolation& curve, double target) const {
  const auto& c = curve.coverage;
  if (target <= c[sites_]) {
    // c[0] = 0 < target: the first t with c[t] >= target has c[t-1] < target (found by a scan,
    // which needs no more of c than that).
    const auto t =
        std::find_if(c.begin() + 1, c.end(), [&](double v) { return v >= target; }) - c.begin();
    const double share = (target - c[t - 1]) / (c[t] - c[t - 1]);
    const auto& s = curve.richness;
    return {(t - 1) + share, false, s[t - 1] + share * (s[t] - s[t - 1])};
  }
  if (target >= 1) return {0.0, true, observed_ + undetected_};
  // Above C(T): Q1 > 0 and 0 < A < 1, so the logarithms are finite and m > 0 but for rounding.
  const double m =
      exactmath::log((1 - target) * incidences_ / singletons_) / exactmath::log(ratio_) - 1;
  // A whole number of sites whose coverage is the target itself (a sample's own C(2T)) is taken
  // as it is, not as the logarithms' rounding leaves it.
  const double whole = std::round(m);
  const double beyond = extrapolated_coverage(whole) == target ? whole : std::max(m, 0.0);
  return {sites_ + beyond, false, extrapolated_richness(beyond)};
}

}  // namespace kelvaro::curves
