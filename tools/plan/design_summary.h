#pragma once
// What a design's simulated surveys say about each reported parameter: bias, precision and how
// often the printed interval holds the truth.
//   mean_estimate    mean of the finite estimates
//   relative_bias    (mean_estimate - truth) / truth; none when the truth is 0
//   rmse             root mean square of (estimate - truth) over the finite estimates
//   coverage         share of ALL surveys whose printed interval holds the truth (a survey with
//                    no interval does not)
//   mean_width       mean of (upper - lower) over the finite intervals
//   capped_share     share of the surveys with an interval whose limit sits on the range
//                    adjustment's bound: PHI and GAMMA upper limit 1, B lower limit 0, N(1) and
//                    N(2) lower limit at the species observed; 0 for LAMBDA
// and the Monte Carlo standard errors of the first four, from the same surveys:
//   relative_bias_se sd(estimates) / sqrt(n) / truth, n the finite estimates (sample standard
//                    deviation, divisor n - 1); none when the truth is 0 or n < 2
//   rmse_se          by the delta method: sd(squared errors) / sqrt(n) / (2 rmse); 0 when every
//                    squared error is 0; none when n < 2
//   coverage_se      sqrt(c (1 - c) / S), S the surveys the coverage is a share of
//   mean_width_se    sd(widths) / sqrt(m), m the finite intervals; none when m < 2
// A value with nothing to average over is NaN.

#include <array>
#include <cstdint>
#include <span>

#include "plan/survey_outcome.h"
#include "plan/truth.h"

namespace kelvaro::plan {

struct ParameterSummary {
  double truth = 0.0;
  double mean_estimate = 0.0;
  double relative_bias = 0.0;
  double rmse = 0.0;
  double coverage = 0.0;
  double mean_width = 0.0;
  double capped_share = 0.0;
  std::int64_t surveys_estimated = 0;  // surveys with a finite estimate
  double relative_bias_se = 0.0;
  double rmse_se = 0.0;
  double coverage_se = 0.0;
  double mean_width_se = 0.0;
};

struct DesignSummary {
  Design design;
  std::int64_t surveys = 0;
  double mean_observed1 = 0.0;  // species observed in Sample 1, mean over the surveys
  double mean_observed2 = 0.0;
  std::array<ParameterSummary, kReportedCount> parameters{};
};

// Summarises the outcomes of one design's surveys, in the order given (the sums run in that
// order, so the same outcomes give the same bits). Requires: outcomes not empty.
DesignSummary summarise_design(Design design, std::span<const SurveyOutcome> outcomes,
                               const ReportedParameters& reported);

}  // namespace kelvaro::plan
