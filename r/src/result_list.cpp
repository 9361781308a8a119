#include "result_list.h"

#include <string>

#include "block_order.h"
#include "kelvaro/tables.h"

namespace {

using kelvaro::TableKind;
using Rcpp::_;

// The name of a column of one of kelvaro's result tables (kelvaro/tables.h), which the data
// frames share with the commands' CSV tables.
std::string column(TableKind table, std::size_t index) {
  return std::string(kelvaro::table_columns(table)[index].name);
}

// A data frame of a result table's columns, in its order.
Rcpp::DataFrame table_frame(TableKind table, Rcpp::List columns) {
  Rcpp::CharacterVector names;
  for (const kelvaro::Column& c : kelvaro::table_columns(table))
    names.push_back(std::string(c.name));
  columns.attr("names") = names;
  return Rcpp::DataFrame(columns);
}

Rcpp::List blocks_frame(const std::vector<kelvaro::BlockResult>& blocks) {
  const auto n = static_cast<R_xlen_t>(blocks.size());
  Rcpp::CharacterVector name(n);
  Rcpp::IntegerVector sites(n), observed(n), mh_df(n);
  Rcpp::NumericVector estimate(n), unrounded(n), se(n), mh_chi(n), mh_prob(n);
  Rcpp::NumericMatrix weights(static_cast<int>(n), 5), orders(static_cast<int>(n), 5);  // n <= 4
  Rcpp::IntegerVector order(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    const kelvaro::BlockResult& b = blocks[static_cast<std::size_t>(i)];
    name[i] = kelvaro::block_name(b.block);
    sites[i] = b.sites;
    observed[i] = b.observed;
    estimate[i] = b.rounded_estimate;
    unrounded[i] = b.estimate;
    se[i] = b.standard_error;
    for (int k = 0; k < 5; ++k) {
      weights(i, k) = b.weights[static_cast<std::size_t>(k)];
      orders(i, k) = b.order_estimates[static_cast<std::size_t>(k)];
    }
    order[i] = chosen_order(b) > 0 ? chosen_order(b) : NA_INTEGER;
    const bool tested = b.goodness_of_fit.has_value();
    mh_chi[i] = tested ? b.goodness_of_fit->statistic : NA_REAL;
    mh_df[i] = tested ? b.goodness_of_fit->df : NA_INTEGER;
    mh_prob[i] = tested ? b.goodness_of_fit->probability : NA_REAL;
  }
  // The order estimates and the order after the test: DataFrame::create takes 20 columns at most.
  // Columns shared with the blocks table take its names; the estimate is named as rounded here.
  constexpr TableKind kBlocks = TableKind::kBlocks;
  Rcpp::List frame = Rcpp::List::create(
      _[column(kBlocks, 0)] = name, _["sites"] = sites, _[column(kBlocks, 1)] = observed,
      _["estimate_rounded"] = estimate, _["estimate_unrounded"] = unrounded,
      _[column(kBlocks, 3)] = se, _["w1"] = weights(Rcpp::_, 0), _["w2"] = weights(Rcpp::_, 1),
      _["w3"] = weights(Rcpp::_, 2), _["w4"] = weights(Rcpp::_, 3), _["w5"] = weights(Rcpp::_, 4),
      _[column(kBlocks, 4)] = mh_chi, _[column(kBlocks, 5)] = mh_df,
      _[column(kBlocks, 6)] = mh_prob);
  const char* jack[] = {"jack1", "jack2", "jack3", "jack4", "jack5"};
  for (int k = 0; k < 5; ++k) frame.push_back(Rcpp::NumericVector(orders(Rcpp::_, k)), jack[k]);
  frame.push_back(order, "order");
  frame.attr("class") = "data.frame";
  frame.attr("row.names") = Rcpp::IntegerVector::create(NA_INTEGER, -static_cast<int>(n));
  return frame;
}

SEXP test_frame(const std::optional<kelvaro::EqualDetectionTest>& test) {
  if (!test) return R_NilValue;
  return table_frame(TableKind::kTest,
                     Rcpp::List::create(test->chi_square, test->df, test->probability));
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
  return table_frame(TableKind::kParameters,
                     Rcpp::List::create(name, estimate, average, se, lower, upper));
}

// Five rows per block: chao2, jack1, jack2, bootstrap and kelvaro's own estimate (as computed,
// not the report's whole number) with its jackknife standard error; NA where the estimator has
// no standard error or interval (the R code adds jack1's and the bootstrap estimator's where it
// holds the sites' detections).
Rcpp::DataFrame estimators_frame(const std::vector<kelvaro::BlockResult>& blocks) {
  Rcpp::CharacterVector block, estimator;
  Rcpp::NumericVector estimate, se, lower, upper;
  const auto add = [&](const kelvaro::BlockResult& b, const char* name, double value,
                       double error = NA_REAL, double low = NA_REAL, double high = NA_REAL) {
    block.push_back(kelvaro::block_name(b.block));
    estimator.push_back(name);
    estimate.push_back(value);
    se.push_back(error);
    lower.push_back(low);
    upper.push_back(high);
  };
  for (const kelvaro::BlockResult& b : blocks) {
    const kelvaro::StandardEstimates& e = b.standard;
    add(b, "chao2", e.chao2, e.chao2_se, e.chao2_lower, e.chao2_upper);
    add(b, "jack1", e.jack1);
    add(b, "jack2", e.jack2);
    add(b, "bootstrap", e.bootstrap);
    add(b, "kelvaro", b.estimate, b.standard_error);
  }
  return table_frame(TableKind::kEstimators,
                     Rcpp::List::create(block, estimator, estimate, se, lower, upper));
}

// The replicates table's columns: one per parameter (the names without parentheses: N(1) ->
// N1), then the species each replicate detected in the two samples.
SEXP replicates_frame(const kelvaro::RunResult& result) {
  if (result.replicates.empty() || result.parameters.size() != kelvaro::kParameterCount) {
    return R_NilValue;
  }
  const auto n = static_cast<R_xlen_t>(result.replicates.size());
  constexpr int kColumns = 1 + kelvaro::kParameterCount + 2;
  Rcpp::List columns(kColumns);
  columns[0] = Rcpp::seq_len(n);
  for (int k = 0; k < kelvaro::kParameterCount; ++k) {
    Rcpp::NumericVector values(n);
    for (R_xlen_t i = 0; i < n; ++i) {
      values[i] =
          result.replicates[static_cast<std::size_t>(i)].values[static_cast<std::size_t>(k)];
    }
    columns[k + 1] = values;
  }
  Rcpp::IntegerVector r1(n), r2(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    r1[i] = result.replicates[static_cast<std::size_t>(i)].detected1;
    r2[i] = result.replicates[static_cast<std::size_t>(i)].detected2;
  }
  columns[kColumns - 2] = r1;
  columns[kColumns - 1] = r2;
  return table_frame(TableKind::kReplicates, columns);
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
    line[i] =
        has_lines && w.line > 0 && w.line <= INT32_MAX ? static_cast<int>(w.line) : NA_INTEGER;
    text[i] = w.text;
  }
  return Rcpp::DataFrame::create(_["kind"] = kind, _["block"] = block, _["line"] = line,
                                 _["text"] = text, _["stringsAsFactors"] = false);
}

}  // namespace

Rcpp::DataFrame curve_warnings_frame(const std::vector<kelvaro::CurveWarning>& warnings) {
  const auto n = static_cast<R_xlen_t>(warnings.size());
  Rcpp::CharacterVector kind(n), block(n), text(n);
  for (R_xlen_t i = 0; i < n; ++i) {
    const kelvaro::CurveWarning& w = warnings[static_cast<std::size_t>(i)];
    kind[i] = kelvaro::curve_warning_kind_name(w.kind);
    block[i] = w.block;
    text[i] = w.text;
  }
  return Rcpp::DataFrame::create(_["kind"] = kind, _["block"] = block, _["text"] = text,
                                 _["stringsAsFactors"] = false);
}

Rcpp::List incidence_list(const kelvaro::RunIncidence& incidence) {
  Rcpp::List samples;
  for (const kelvaro::Incidence& s : incidence.samples) {
    samples.push_back(Rcpp::List::create(
        _["block"] = static_cast<int>(s.block), _["sites"] = s.sites,
        _["frequencies"] = Rcpp::IntegerVector(s.frequencies.begin(), s.frequencies.end())));
  }
  return Rcpp::List::create(_["samples"] = samples,
                            _["left_out"] = curve_warnings_frame(incidence.left_out));
}

kelvaro::RunIncidence incidence_of(const Rcpp::List& list) {
  kelvaro::RunIncidence out;
  const Rcpp::List samples = list["samples"];
  for (R_xlen_t i = 0; i < samples.size(); ++i) {
    const Rcpp::List s = samples[i];
    const Rcpp::IntegerVector f = s["frequencies"];
    out.samples.push_back({static_cast<kelvaro::BlockNumber>(Rcpp::as<int>(s["block"])),
                           Rcpp::as<std::int32_t>(s["sites"]),
                           std::vector<std::int32_t>(f.begin(), f.end())});
  }
  const Rcpp::DataFrame left_out = list["left_out"];
  const Rcpp::CharacterVector block = left_out["block"], text = left_out["text"];
  for (R_xlen_t i = 0; i < block.size(); ++i) {
    out.left_out.push_back({kelvaro::CurveWarningKind::kNoIncidence,
                            Rcpp::as<std::string>(block[i]), Rcpp::as<std::string>(text[i])});
  }
  return out;
}

Rcpp::List result_list(const kelvaro::RunResult& result, bool input_has_lines, bool with_report) {
  const kelvaro::Options& o = result.options;
  // nreps as the text header gives it: negative when the replicates are listed.
  Rcpp::List out = Rcpp::List::create(
      _["status"] = kelvaro::exit_status(result.status), _["diagnostic"] = result.diagnostic,
      _["report"] = with_report ? kelvaro::report_text(result) : std::string(),
      _["nreps"] = kelvaro::printed_replicates(o), _["seed"] = o.seed,
      _["clock_seed"] = result.clock_seed ? *result.clock_seed : NA_INTEGER,
      _["range_adjust"] = o.range_adjustment,
      _["sites"] = Rcpp::IntegerVector::create(result.sites1, result.sites2),
      _["blocks"] = blocks_frame(result.blocks), _["test"] = test_frame(result.equal_detection),
      _["estimators"] = estimators_frame(result.blocks),
      _["parameters"] = parameters_frame(result.parameters),
      _["replicates"] = replicates_frame(result),
      _["warnings"] = warnings_frame(result.warnings, input_has_lines));
  // List::create takes 20 elements at most.
  out.push_back(incidence_list(kelvaro::run_incidence(result)), "incidence");
  return out;
}
