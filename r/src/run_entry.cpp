// The package's entry points into the library: a run on structured data (the blocks the R code
// built) and a run on free-form text. Every C++ exception is caught here (entry_guard.h). The
// library itself never calls R; only the observer does, from this thread.

#include <Rcpp.h>

#include <string>

#include "entry_guard.h"
#include "interrupt_observer.h"
#include "kelvaro/kelvaro.h"
#include "result_list.h"
#include "survey_blocks.h"

// clock: with seed 0, the clock value to seed from (an earlier run's $clock_seed, which repeats
// it); NA reads the clock.
// rng = false: a run never touches R's random number state (it has its own generator).
// [[Rcpp::export(.run_survey, rng = false)]]
Rcpp::List run_survey_entry(Rcpp::List blocks, int nreps, int seed, int clock, bool range_adjust,
                            bool keep_replicates) {
  return guarded("kelvaro", [&] {
    const kelvaro::Survey survey = survey_of(blocks);
    kelvaro::Options options;
    options.replicates = nreps;
    options.seed = seed;
    options.range_adjustment = range_adjust;
    InterruptObserver observer;
    kelvaro::Settings settings;
    settings.keep_replicates = keep_replicates;
    settings.observer = &observer;
    if (clock != NA_INTEGER) settings.clock_seed = clock;
    return result_list(kelvaro::run_survey(survey, options, settings), false);
  });
}

// clock as for .run_survey, used when the header's seed is 0.
// [[Rcpp::export(.run_text, rng = false)]]
Rcpp::List run_text_entry(std::string text, int clock, bool keep_replicates) {
  return guarded("kelvaro", [&] {
    InterruptObserver observer;
    kelvaro::Settings settings;
    settings.keep_replicates = keep_replicates;
    settings.input_name = "text";
    settings.observer = &observer;
    if (clock != NA_INTEGER) settings.clock_seed = clock;
    return result_list(kelvaro::run_text(std::string_view(text), settings), true);
  });
}

// The clock value a seed-0 run would seed from now (grouped runs read it once for every pair).
// [[Rcpp::export(.read_clock_seed, rng = false)]]
int read_clock_seed_entry() { return kelvaro::read_clock_seed(); }

// The library's limits: the sites a sample may have, the bootstrap replicates a run takes.
// [[Rcpp::export(.limits, rng = false)]]
Rcpp::IntegerVector limits_entry() {
  return Rcpp::IntegerVector::create(Rcpp::_["sites"] = kelvaro::kMaxSampleSites,
                                     Rcpp::_["replicates"] = kelvaro::kMaxReplicates);
}
