#pragma once
// The results of a planning run as CSV: a header row, then one row per design and reported
// parameter, designs in the order given and parameters in the order N(1), N(2), PHI, GAMMA,
// LAMBDA, B. Rows end in CR LF (RFC 4180), as kelvaro-tidy's do. Reals have six significant
// digits (printf %.6g), infinities Inf and -Inf; a value with nothing behind it (NaN) is NA.
//
// After surveys_estimated: the Monte Carlo standard errors of relative_bias, rmse and coverage
// (design_summary.h); meets_target, yes or no on the rows of a parameter a target names and empty
// on the others; and the community assumed (N, MEAN, K; K is Inf for equal detection).
//
//   sites1,sites2,parameter,true_value,mean_estimate,relative_bias,rmse,coverage,
//   mean_interval_width,share_interval_capped,mean_observed1,mean_observed2,surveys_estimated,
//   relative_bias_se,rmse_se,coverage_se,meets_target,assumed_species,assumed_detection,
//   assumed_heterogeneity
//   20,20,PHI,0.8,0.8012,0.0015,0.0513,0.945,0.2031,0.31,71.4,78.15,200,0.0036,0.0021,0.0161,
//   yes,100,0.2,2

#include <string>
#include <vector>

#include "plan/community.h"
#include "plan/design_summary.h"
#include "plan/targets.h"
#include "plan/truth.h"

namespace kelvaro::plan {

std::string results_csv(const std::vector<DesignSummary>& designs,
                        const ReportedParameters& reported, const Community& community,
                        const std::vector<Target>& targets = {});

// The heterogeneity assumed as a number: K, or infinity for equal detection.
double assumed_heterogeneity(const Community& community);

}  // namespace kelvaro::plan
