#pragma once
// The survey a run takes, from the blocks the R code built: list(sample1 = list(f, n)) for one
// sample, or list(sample1, sample2, subset_a, subset_b). Without Sample 2, t2 is given t1's value
// so that the header is valid; the run ends after Sample 1 and never reads it.
// Requires: each block holds `f` (numeric) and `n` (integer, no NA), as the R code checks.
// Reads R objects: call it on the R thread only.

#include <Rcpp.h>

#include "kelvaro/kelvaro.h"

kelvaro::Survey survey_of(const Rcpp::List& blocks);
