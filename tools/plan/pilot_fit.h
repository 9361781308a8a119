#pragma once
// The community a pilot survey suggests: the detection frequencies f(i) of its t sites (species
// detected at exactly i sites) fitted by maximum likelihood with a zero-truncated beta-binomial.
// Each species has a detection probability p ~ Beta(MEAN*K, (1-MEAN)*K), and is detected at i of
// the t sites with probability
//   P(i) = C(t, i) B(i + MEAN*K, t - i + (1-MEAN)*K) / B(MEAN*K, (1-MEAN)*K);
// the species detected are those with i >= 1, so the likelihood is prod P(i)^f(i) / (1 - P(0))^R
// with R = sum f(i). The richness is N = R / (1 - P(0)) at the fit (the species missed are
// R P(0) / (1 - P(0))). Standard errors come from the observed information of (logit MEAN,
// log K) and, for N, the conditional-likelihood variance N P(0)/(1 - P(0)) + (dN)' V (dN).
// The logarithms are the project's correctly rounded ones and the search is a fixed sequence of
// steps, so the fit is the same on every IEEE-754 platform.

#include <cstdint>
#include <string>
#include <vector>

namespace kelvaro::plan {

// A pilot survey reduced to what the fit needs.
struct DetectionFrequencies {
  std::int32_t sites = 0;       // t
  std::vector<std::int64_t> f;  // f(1..t), f[0] = f(1)
};

enum class PilotStatus {
  kFitted,
  kTooFewSites,  // t < 2: one site says nothing about how detection varies
  kNoDetection,  // no species detected
  // The likelihood grows towards N = infinity (mostly singletons, or strong heterogeneity over
  // few sites): a fit that puts over 1000 species in the community per species detected.
  kUnbounded,
};

struct PilotFit {
  PilotStatus status = PilotStatus::kFitted;
  std::int32_t sites = 0;
  std::int64_t observed = 0;    // R
  double species = 0.0;         // N: R / (1 - P(0))
  double mean_detection = 0.0;  // MEAN
  double heterogeneity = 0.0;   // K
  // K at the search's upper end: no more spread than equal detection would give (use 'none').
  bool equal_detection = false;
  double species_se = 0.0;  // NaN when the information cannot be inverted
  double mean_detection_se = 0.0;
  double heterogeneity_se = 0.0;
};

// Fits the frequencies. Requires: f.size() == sites, every f(i) >= 0, sites <= 98.
PilotFit fit_pilot(const DetectionFrequencies& pilot);

// The negative log-likelihood of (MEAN, K) without its constant terms (for tests and the search).
double pilot_negative_log_likelihood(const DetectionFrequencies& pilot, double mean, double k);

}  // namespace kelvaro::plan
