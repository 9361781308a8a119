#pragma once
// A run's result as an R list of plain values and data frames, every number at the precision the
// library computed it (its single-precision values widened to double exactly). The report is
// the whole text, CR LF line ends included; the R code splits it into lines.
//
// Elements: status, diagnostic, report, nreps, seed, clock_seed (with seed 0, the clock value the
// run seeded from; NA otherwise), range_adjust, sites, blocks, test,
// estimators, parameters, replicates, warnings, incidence. The data frames' columns are those of
// kelvaro's result tables (kelvaro/tables.h), blocks with more. `test` is NULL when the run made
// no equal-detection test; `replicates` is NULL unless the run kept them. Warning lines are NA
// when input_has_lines is false (structured input has no lines to point at). `incidence` is
// what the run's curves are made from (kelvaro/curves.h run_incidence, incidence_list below).
// Without `with_report` the report is "" (a grouped run has no use for its pairs' reports).

#include <Rcpp.h>

#include "kelvaro/curves.h"
#include "kelvaro/kelvaro.h"

Rcpp::List result_list(const kelvaro::RunResult& result, bool input_has_lines,
                       bool with_report = true);

// A run's incidence as R values: list(samples = list of list(block, sites, frequencies),
// left_out = data frame of warnings: kind, block, text), which incidence_of takes back.
Rcpp::List incidence_list(const kelvaro::RunIncidence& incidence);
kelvaro::RunIncidence incidence_of(const Rcpp::List& list);

// Curve warnings as a data frame: kind, block, text.
Rcpp::DataFrame curve_warnings_frame(const std::vector<kelvaro::CurveWarning>& warnings);
