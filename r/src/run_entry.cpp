// The package's entry points into the library: a run on structured data (the blocks the R code
// built) and a run on free-form text. Every C++ exception is caught here (entry_guard.h). The
// library itself never calls R; only the observer does, from this thread.

#include <Rcpp.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "entry_guard.h"
#include "interrupt_observer.h"
#include "kelvaro/kelvaro.h"
#include "result_list.h"

namespace {

// A frequency as the library holds it, in single precision. Values beyond float's range become
// infinite here (the bare conversion of such a value is undefined behaviour).
float as_frequency(double v) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (v > kLargest) return std::numeric_limits<float>::infinity();
  if (v < -kLargest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// Requires: block holds `f` (numeric) and `n` (integer, no NA), as the R code checks.
kelvaro::BlockData block_data(const Rcpp::List& block) {
  const Rcpp::NumericVector f = block["f"];
  const Rcpp::IntegerVector n = block["n"];
  kelvaro::BlockData d;
  d.f.reserve(static_cast<std::size_t>(f.size()));
  for (const double v : f) d.f.push_back(as_frequency(v));
  d.n.assign(n.begin(), n.end());
  return d;
}

// A vector's length as a number of sites: lengths beyond 32 bits stay beyond the library's limit
// (which refuses them with its own message) instead of wrapping into it.
std::int32_t sites_of(const kelvaro::BlockData& block) {
  constexpr std::size_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::min(block.f.size(), kMax));
}

// The survey of blocks = list(sample1 = list(f, n)) or list(sample1, sample2, subset_a, subset_b).
// Without Sample 2, t2 is given t1's value so that the header is valid; the run ends after
// Sample 1 and never reads it.
kelvaro::Survey survey_of(const Rcpp::List& blocks) {
  kelvaro::Survey s;
  s.sample1 = block_data(blocks["sample1"]);
  s.sites1 = sites_of(s.sample1);
  s.sites2 = s.sites1;
  if (blocks.containsElementNamed("sample2")) {
    s.sample2 = block_data(blocks["sample2"]);
    s.sites2 = sites_of(*s.sample2);
    s.subset_a = block_data(blocks["subset_a"]);
    s.subset_b = block_data(blocks["subset_b"]);
  }
  return s;
}

}  // namespace

// rng = false: a run never touches R's random number state (it has its own generator).
// [[Rcpp::export(.run_survey, rng = false)]]
Rcpp::List run_survey_entry(Rcpp::List blocks, int nreps, int seed, bool range_adjust,
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
    return result_list(kelvaro::run_survey(survey, options, settings), false);
  });
}

// [[Rcpp::export(.run_text, rng = false)]]
Rcpp::List run_text_entry(std::string text, bool keep_replicates) {
  return guarded("kelvaro", [&] {
    InterruptObserver observer;
    kelvaro::Settings settings;
    settings.keep_replicates = keep_replicates;
    settings.input_name = "text";
    settings.observer = &observer;
    return result_list(kelvaro::run_text(std::string_view(text), settings), true);
  });
}
