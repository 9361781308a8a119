#pragma once
// A planning run's summaries as an R data frame with the columns, rows and order of the
// kelvaro-plan command's CSV (one row per design and reported parameter, designs in the order
// given, parameters N(1), N(2), PHI, GAMMA, LAMBDA, B), every measure at the precision computed
// (the CSV prints six significant digits):
//   sites1, sites2 (integer), parameter (character), true_value, mean_estimate, relative_bias,
//   rmse, coverage, mean_interval_width, share_interval_capped, mean_observed1, mean_observed2
//   (double), surveys_estimated (integer), relative_bias_se, rmse_se, coverage_se (double),
//   meets_target (logical: NA on the rows of parameters no target names, empty in the CSV),
//   assumed_species (integer), assumed_detection, assumed_heterogeneity (double, Inf for equal
//   detection)
// and, with targets, the six columns the command adds for the answer's rounds:
//   surveys (integer: the design's simulated surveys), share_interval_capped_se (double),
//   decided (logical: NA where the CSV is empty), assurance, assurance_se (double: NA without
//   the pilot's communities), communities (integer: NA without them)
// A measure with nothing behind it (NaN, NA in the CSV) is NA.

#include <Rcpp.h>

#include <vector>

#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"

Rcpp::DataFrame plan_table(const kelvaro::plan::PlanResult& result);
