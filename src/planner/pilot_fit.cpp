#include "planner/pilot_fit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "kelvaro/numbers.h"  // first: the strict evaluation it sets applies to all below

namespace kelvaro::plan {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The search runs on theta = (logit MEAN, log K) within these bounds: MEAN from about 2e-9 to
// 1 - 2e-9; K from 0.001 (detection near 0 or 1 for every species) to 100000 (equal detection
// to within the precision any pilot can see).
constexpr double kLogitBound = 20.0;
const double kLogKLow = -6.907755278982137;   // log(0.001)
const double kLogKHigh = 11.512925464970229;  // log(100000)
// How close to a bound counts as on it.
constexpr double kOnBound = 0.01;
// A fit that puts more than this many species in the community per species detected has run
// off towards N = infinity along a flat likelihood (the search stops wherever the slope fades):
// the pilot does not bound N.
constexpr double kMostSpeciesPerDetected = 1000.0;
// Steps of the central differences on theta.
constexpr double kStep = 1e-4;

using Theta = std::array<double, 2>;

double mean_of(const Theta& x) { return 1.0 / (1.0 + exactmath::exp(-x[0])); }
double k_of(const Theta& x) { return exactmath::exp(x[1]); }

// log P(0) and the terms of the likelihood, from the cumulative sums of logarithms.
struct Terms {
  double negative_log_likelihood = 0.0;
  double p0 = 0.0;
};

Terms terms(const DetectionFrequencies& pilot, double mean, double k) {
  const std::int32_t t = pilot.sites;
  const double a = mean * k;
  const double b = (1.0 - mean) * k;
  // sum_a[i] = sum_{j<i} log(a + j); sum_b likewise; total = sum_{j<t} log(k + j).
  std::vector<double> sum_a(static_cast<std::size_t>(t) + 1, 0.0);
  std::vector<double> sum_b(static_cast<std::size_t>(t) + 1, 0.0);
  double total = 0.0;
  for (std::int32_t j = 0; j < t; ++j) {
    const auto i = static_cast<std::size_t>(j);
    sum_a[i + 1] = sum_a[i] + exactmath::log(a + j);
    sum_b[i + 1] = sum_b[i] + exactmath::log(b + j);
    total += exactmath::log(k + j);
  }
  Terms out;
  out.p0 = exactmath::exp(sum_b[static_cast<std::size_t>(t)] - total);
  const double log_detected = exactmath::log(1.0 - out.p0);
  double log_likelihood = 0.0;
  for (std::int32_t i = 1; i <= t; ++i) {
    const std::int64_t f = pilot.f[static_cast<std::size_t>(i - 1)];
    if (f == 0) continue;
    const double log_p =
        sum_a[static_cast<std::size_t>(i)] + sum_b[static_cast<std::size_t>(t - i)] - total;
    log_likelihood += static_cast<double>(f) * (log_p - log_detected);
  }
  out.negative_log_likelihood = -log_likelihood;
  return out;
}

double objective(const DetectionFrequencies& pilot, const Theta& x) {
  if (!(std::fabs(x[0]) <= kLogitBound && x[1] >= kLogKLow && x[1] <= kLogKHigh)) return kInf;
  const double v = terms(pilot, mean_of(x), k_of(x)).negative_log_likelihood;
  return std::isnan(v) ? kInf : v;
}

// Nelder and Mead's simplex search (reflection 1, expansion 2, contraction 1/2, shrink 1/2),
// until the simplex and its values agree to about 1e-10 or after kMostIterations steps (a
// two-parameter search that needs more has wandered onto a flat ridge; the fit checks for it).
Theta nelder_mead(const DetectionFrequencies& pilot, Theta start, double size) {
  constexpr int kMostIterations = 4000;
  std::array<Theta, 3> x = {start, Theta{start[0] + size, start[1]},
                            Theta{start[0], start[1] + size}};
  std::array<double, 3> v{};
  for (std::size_t i = 0; i < 3; ++i) v[i] = objective(pilot, x[i]);
  const auto along = [](const Theta& from, const Theta& to, double s) {
    return Theta{from[0] + s * (to[0] - from[0]), from[1] + s * (to[1] - from[1])};
  };
  for (int iteration = 0; iteration < kMostIterations; ++iteration) {
    // Best first, worst last (a stable order, so ties keep their places).
    std::array<std::size_t, 3> order = {0, 1, 2};
    std::stable_sort(order.begin(), order.end(),
                     [&v](std::size_t i, std::size_t j) { return v[i] < v[j]; });
    x = {x[order[0]], x[order[1]], x[order[2]]};
    v = {v[order[0]], v[order[1]], v[order[2]]};
    const double spread = std::max(std::fabs(x[0][0] - x[2][0]), std::fabs(x[0][1] - x[2][1]));
    if (spread < 1e-10 && std::fabs(v[2] - v[0]) <= 1e-13 * (1.0 + std::fabs(v[0]))) break;
    const Theta centre = {(x[0][0] + x[1][0]) / 2.0, (x[0][1] + x[1][1]) / 2.0};
    const Theta reflected = along(centre, x[2], -1.0);
    const double vr = objective(pilot, reflected);
    if (vr < v[0]) {
      const Theta expanded = along(centre, x[2], -2.0);
      const double ve = objective(pilot, expanded);
      x[2] = ve < vr ? expanded : reflected;
      v[2] = std::min(ve, vr);
    } else if (vr < v[1]) {
      x[2] = reflected;
      v[2] = vr;
    } else {
      const Theta contracted = vr < v[2] ? along(centre, reflected, 0.5) : along(centre, x[2], 0.5);
      const double vc = objective(pilot, contracted);
      if (vc < std::min(vr, v[2])) {
        x[2] = contracted;
        v[2] = vc;
      } else {
        for (std::size_t i = 1; i < 3; ++i) {
          x[i] = along(x[0], x[i], 0.5);
          v[i] = objective(pilot, x[i]);
        }
      }
    }
  }
  const std::size_t best = v[0] <= v[1] && v[0] <= v[2] ? 0 : (v[1] <= v[2] ? 1 : 2);
  return x[best];
}

// P(0) at theta.
double p0_at(const DetectionFrequencies& pilot, const Theta& x) {
  return terms(pilot, mean_of(x), k_of(x)).p0;
}

// The inverse of the observed information at x (central differences), or NaNs when it is not
// positive definite or a step leaves the search's bounds. With `k_fixed` (K on its upper
// bound: equal detection), MEAN's alone, K's variance 0.
std::array<double, 3> covariance(const DetectionFrequencies& pilot, const Theta& x, bool k_fixed) {
  const auto f = [&](double d0, double d1) {
    return objective(pilot, Theta{x[0] + d0, x[1] + d1});
  };
  const double h = kStep;
  const double f0 = f(0, 0);
  const double h00 = (f(h, 0) - 2.0 * f0 + f(-h, 0)) / (h * h);
  if (k_fixed) return {h00 > 0.0 && std::isfinite(h00) ? 1.0 / h00 : kNaN, 0.0, 0.0};
  const double h11 = (f(0, h) - 2.0 * f0 + f(0, -h)) / (h * h);
  const double h01 = (f(h, h) - f(h, -h) - f(-h, h) + f(-h, -h)) / (4.0 * h * h);
  const double det = h00 * h11 - h01 * h01;
  if (!(h00 > 0.0 && det > 0.0) || !std::isfinite(det)) return {kNaN, kNaN, kNaN};
  return {h11 / det, -h01 / det, h00 / det};  // var0, cov01, var1
}

}  // namespace

double pilot_negative_log_likelihood(const DetectionFrequencies& pilot, double mean, double k) {
  return terms(pilot, mean, k).negative_log_likelihood;
}

PilotFit fit_pilot(const DetectionFrequencies& pilot) {
  assert(pilot.f.size() == static_cast<std::size_t>(pilot.sites) && "f(1..t) holds t values");
  PilotFit fit;
  fit.sites = pilot.sites;
  double detections = 0.0;
  for (std::size_t i = 0; i < pilot.f.size(); ++i) {
    fit.observed += pilot.f[i];
    detections += static_cast<double>(pilot.f[i]) * static_cast<double>(i + 1);
  }
  if (pilot.sites < 2) fit.status = PilotStatus::kTooFewSites;
  if (fit.observed == 0) fit.status = PilotStatus::kNoDetection;
  if (fit.status != PilotStatus::kFitted) return fit;
  // Start from the detected species' share of sites, and moderate heterogeneity (K = 2); then
  // search again from the point found, with a fresh simplex, so that a collapsed simplex does not
  // stop the search early.
  const double share =
      std::clamp(detections / (static_cast<double>(fit.observed) * pilot.sites), 0.01, 0.99);
  Theta x = {exactmath::log(share / (1.0 - share)), exactmath::log(2.0)};
  x = nelder_mead(pilot, x, 0.5);
  x = nelder_mead(pilot, x, 0.1);
  fit.mean_detection = mean_of(x);
  fit.heterogeneity = k_of(x);
  fit.equal_detection = x[1] > kLogKHigh - kOnBound;
  const double p0 = p0_at(pilot, x);
  fit.species = static_cast<double>(fit.observed) / (1.0 - p0);
  if (x[0] < -kLogitBound + kOnBound || x[1] < kLogKLow + kOnBound ||
      !(fit.species <= kMostSpeciesPerDetected * static_cast<double>(fit.observed))) {
    fit.status = PilotStatus::kUnbounded;
    return fit;
  }
  if (fit.equal_detection) x[1] = kLogKHigh - 2.0 * kStep;  // derivatives inside the bounds
  const std::array<double, 3> v = covariance(pilot, x, fit.equal_detection);
  const double m = fit.mean_detection;
  fit.mean_detection_se = m * (1.0 - m) * std::sqrt(v[0]);
  fit.heterogeneity_se = fit.equal_detection ? kNaN : fit.heterogeneity * std::sqrt(v[2]);
  // dN/dtheta = R / (1 - P0)^2 dP0/dtheta = N / (1 - P0) dP0/dtheta.
  const double h = kStep;
  const double g0 = (p0_at(pilot, {x[0] + h, x[1]}) - p0_at(pilot, {x[0] - h, x[1]})) / (2.0 * h);
  const double g1 = (p0_at(pilot, {x[0], x[1] + h}) - p0_at(pilot, {x[0], x[1] - h})) / (2.0 * h);
  const double scale = fit.species / (1.0 - p0);
  const double d0 = scale * g0, d1 = scale * g1;
  const double fitted = d0 * d0 * v[0] + 2.0 * d0 * d1 * v[1] + d1 * d1 * v[2];
  fit.species_se = std::sqrt(fit.species * p0 / (1.0 - p0) + fitted);
  return fit;
}

std::optional<std::string> ill_determined_fit(const PilotFit& fit) {
  const auto digits = [](double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return std::string(text);
  };
  std::string why;
  if (!(fit.species_se <= fit.species / 2.0)) {
    why = std::isnan(fit.species_se)
              ? "N's standard error cannot be computed (the likelihood is flat around N = " +
                    digits(fit.species) + ")"
              : "N = " + digits(fit.species) + " has a standard error of " +
                    digits(fit.species_se) + ", above half of N";
    why +=
        "; more pilot sites, or more species detected at two sites or more, would settle how "
        "many species were missed";
  }
  if (fit.equal_detection) {
    why += std::string(why.empty() ? "" : "; and ") +
           "K sits at the end of its range (the pilot shows no more spread among species than "
           "equal detection gives, which a few sites cannot tell from some spread); more pilot "
           "sites would show how much species differ in detection";
  }
  if (why.empty()) return std::nullopt;
  return "the pilot's fit is ill-determined: " + why;
}

}  // namespace kelvaro::plan
