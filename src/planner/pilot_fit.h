#pragma once
// The pilot fit's likelihood (kelvaro/planner.h: fit_pilot).

#include "kelvaro/planner.h"

namespace kelvaro::plan {

// The negative log-likelihood of (MEAN, K) without its constant terms (for tests and the search).
double pilot_negative_log_likelihood(const DetectionFrequencies& pilot, double mean, double k);

}  // namespace kelvaro::plan
