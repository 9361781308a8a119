#include "result_list.h"

#include <string>

namespace {

using Rcpp::_;

Rcpp::DataFrame blocks_frame(const std::vector<kelvaro::BlockResult>& blocks) {
  const auto n = static_cast<R_xlen_t>(blocks.size());
  Rcpp::CharacterVector name(n);
  Rcpp::IntegerVector sites(n), observed(n), mh_df(n);
  Rcpp::NumericVector estimate(n), unrounded(n), se(n), mh_chi(n), mh_prob(n);
  Rcpp::NumericMatrix weights(static_cast<int>(n), 5);  // n <= 4 blocks
  for (R_xlen_t i = 0; i < n; ++i) {
    const kelvaro::BlockResult& b = blocks[static_cast<std::size_t>(i)];
    name[i] = kelvaro::block_name(b.block);
    sites[i] = b.sites;
    observed[i] = b.observed;
    estimate[i] = b.rounded_estimate;
    unrounded[i] = b.estimate;
    se[i] = b.standard_error;
    for (int k = 0; k < 5; ++k) weights(i, k) = b.weights[static_cast<std::size_t>(k)];
    const bool tested = b.goodness_of_fit.has_value();
    mh_chi[i] = tested ? b.goodness_of_fit->statistic : NA_REAL;
    mh_df[i] = tested ? b.goodness_of_fit->df : NA_INTEGER;
    mh_prob[i] = tested ? b.goodness_of_fit->probability : NA_REAL;
  }
  return Rcpp::DataFrame::create(
      _["block"] = name, _["sites"] = sites, _["R"] = observed, _["estimate"] = estimate,
      _["estimate_unrounded"] = unrounded, _["SE"] = se, _["w1"] = weights(Rcpp::_, 0),
      _["w2"] = weights(Rcpp::_, 1), _["w3"] = weights(Rcpp::_, 2),
      _["w4"] = weights(Rcpp::_, 3), _["w5"] = weights(Rcpp::_, 4), _["mh_chi_square"] = mh_chi,
      _["mh_df"] = mh_df, _["mh_probability"] = mh_prob, _["stringsAsFactors"] = false);
}

SEXP test_frame(const std::optional<kelvaro::EqualDetectionTest>& test) {
  if (!test) return R_NilValue;
  return Rcpp::DataFrame::create(_["chi_square"] = test->chi_square, _["df"] = test->df,
                                 _["probability"] = test->probability);
}

Rcpp::DataFrame parameters_frame(const std::vector<kelvaro::Parameter>& parameters) {
  const auto n = static_cast<R_xlen_t>(parameters.size());
  Rcpp::CharacterVector name(n);
  Rcpp::NumericVector estimate(n), average(n), se(n), lower(n), upper(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    const kelvaro::Parameter& p = parameters[static_cast<std::size_t>(i)];
    name[i] = p.name;
    estimate[i] = p.estimate;
    average[i] = p.bootstrap_average;
    se[i] = p.standard_error;
    lower[i] = p.lower;
    upper[i] = p.upper;
  }
  return Rcpp::DataFrame::create(_["parameter"] = name, _["estimate"] = estimate,
                                 _["bootstrap_average"] = average, _["standard_error"] = se,
                                 _["lower"] = lower, _["upper"] = upper,
                                 _["stringsAsFactors"] = false);
}

// One column per parameter (the names without parentheses: N(1) -> N1), then the species each
// replicate detected in the two samples.
SEXP replicates_frame(const kelvaro::RunResult& result) {
  if (result.replicates.empty() || result.parameters.size() != kelvaro::kParameterCount) {
    return R_NilValue;
  }
  const auto n = static_cast<R_xlen_t>(result.replicates.size());
  constexpr int kColumns = 1 + kelvaro::kParameterCount + 2;
  Rcpp::List columns(kColumns);
  Rcpp::CharacterVector names(kColumns);
  columns[0] = Rcpp::seq_len(n);
  names[0] = "replicate";
  for (int k = 0; k < kelvaro::kParameterCount; ++k) {
    Rcpp::NumericVector values(n);
    for (R_xlen_t i = 0; i < n; ++i) {
      values[i] = result.replicates[static_cast<std::size_t>(i)].values[static_cast<std::size_t>(k)];
    }
    std::string name = result.parameters[static_cast<std::size_t>(k)].name;
    std::erase_if(name, [](char c) { return c == '(' || c == ')'; });
    columns[k + 1] = values;
    names[k + 1] = name;
  }
  Rcpp::IntegerVector r1(n), r2(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    r1[i] = result.replicates[static_cast<std::size_t>(i)].detected1;
    r2[i] = result.replicates[static_cast<std::size_t>(i)].detected2;
  }
  columns[kColumns - 2] = r1;
  names[kColumns - 2] = "R1";
  columns[kColumns - 1] = r2;
  names[kColumns - 1] = "R2";
  columns.attr("names") = names;
  return Rcpp::DataFrame(columns);
}

Rcpp::DataFrame warnings_frame(const std::vector<kelvaro::Warning>& warnings, bool has_lines) {
  const auto n = static_cast<R_xlen_t>(warnings.size());
  Rcpp::CharacterVector kind(n), block(n), text(n);
  Rcpp::IntegerVector line(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    const kelvaro::Warning& w = warnings[static_cast<std::size_t>(i)];
    kind[i] = kelvaro::warning_kind_name(w.kind);
    block[i] = w.block;
    // Lines beyond an R integer cannot come from text R holds in memory.
    line[i] = has_lines && w.line > 0 && w.line <= INT32_MAX ? static_cast<int>(w.line)
                                                             : NA_INTEGER;
    text[i] = w.text;
  }
  return Rcpp::DataFrame::create(_["kind"] = kind, _["block"] = block, _["line"] = line,
                                 _["text"] = text, _["stringsAsFactors"] = false);
}

}  // namespace

Rcpp::List result_list(const kelvaro::RunResult& result, bool input_has_lines) {
  const kelvaro::Options& o = result.options;
  // nreps as the text header gives it: negative when the replicates are listed.
  return Rcpp::List::create(
      _["status"] = kelvaro::exit_status(result.status), _["diagnostic"] = result.diagnostic,
      _["report"] = kelvaro::report_text(result),
      _["nreps"] = o.replicate_detail ? -o.replicates : o.replicates, _["seed"] = o.seed,
      _["range_adjust"] = o.range_adjustment,
      _["sites"] = Rcpp::IntegerVector::create(result.sites1, result.sites2),
      _["blocks"] = blocks_frame(result.blocks), _["test"] = test_frame(result.equal_detection),
      _["parameters"] = parameters_frame(result.parameters),
      _["replicates"] = replicates_frame(result),
      _["warnings"] = warnings_frame(result.warnings, input_has_lines));
}
