// Runs of many pairs of samples at once (kelvaro(x, groups = ...)): every pair's survey is built
// on the R thread, the runs go to worker threads (each run independent, with its pair's seed, so
// that every pair's numbers are those of its own kelvaro() call whatever the number of threads),
// and the results become R lists on the R thread again, in the pairs' order (pair_pool.h).

#include <Rcpp.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/kelvaro.h"
#include "pair_pool.h"
#include "result_list.h"
#include "survey_blocks.h"

// surveys: a list of block lists (as .run_survey takes one), labels: each pair's name for error
// messages, seeds: each pair's seed (the R code gives one per survey, none NA); clock as for
// .run_survey (the R code reads it once for all pairs); threads 0 takes the machine's cores.
// fault and fault_pair: the tests' TestFault ("" for none).
// [[Rcpp::export(.run_surveys, rng = false)]]
Rcpp::List run_surveys_entry(Rcpp::List surveys, Rcpp::CharacterVector labels, int nreps,
                             Rcpp::IntegerVector seeds, int clock, bool range_adjust, int threads,
                             std::string fault = "", int fault_pair = 0) {
  return guarded("kelvaro", [&] {
    std::vector<kelvaro::Survey> input;
    std::vector<std::string> names;
    input.reserve(static_cast<std::size_t>(surveys.size()));
    for (R_xlen_t i = 0; i < surveys.size(); ++i) {
      input.push_back(survey_of(surveys[i]));
      names.push_back(i < labels.size() ? Rcpp::as<std::string>(labels[i]) : std::to_string(i + 1));
    }
    if (seeds.size() != surveys.size()) throw std::invalid_argument("one seed per pair expected");
    const std::vector<std::int32_t> pair_seeds(seeds.begin(), seeds.end());
    kelvaro::Options options;
    options.replicates = nreps;
    options.range_adjustment = range_adjust;
    const std::optional<std::int32_t> clock_seed =
        clock == NA_INTEGER ? std::nullopt : std::optional<std::int32_t>(clock);
    std::vector<kelvaro::RunResult> results(input.size());
    const auto make_worker = [&]() -> PairTask {
      return [&](std::size_t i, kelvaro::Observer& observer) {
        kelvaro::Settings settings;
        settings.observer = &observer;
        settings.clock_seed = clock_seed;
        kelvaro::Options pair_options = options;
        pair_options.seed = pair_seeds[i];
        results[i] = kelvaro::run_survey(input[i], pair_options, settings);
      };
    };
    if (!analyse_in_order(input.size(), pool_threads(threads, input.size()),
                          test_fault(fault, fault_pair), make_worker,
                          [&](std::size_t i) { return names[i]; })) {
      throw Rcpp::internal::InterruptedException();
    }
    Rcpp::List out(surveys.size());
    for (R_xlen_t i = 0; i < surveys.size(); ++i) {
      out[i] = result_list(results[static_cast<std::size_t>(i)], false);
    }
    return out;
  });
}
