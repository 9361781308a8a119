#include "plan_table.h"

#include <cmath>
#include <optional>
#include <string>

#include "kelvaro/planner.h"

namespace {

using Rcpp::_;
namespace plan = kelvaro::plan;

double measure(double v) { return std::isnan(v) ? NA_REAL : v; }

}  // namespace

Rcpp::DataFrame plan_table(const plan::PlanResult& result) {
  const plan::ReportedParameters reported = plan::reported_parameters(result.community);
  const plan::Community& community = result.community;
  const std::vector<plan::Target>& targets = result.targets;
  const R_xlen_t n = static_cast<R_xlen_t>(result.designs.size()) * plan::kReportedCount;
  Rcpp::IntegerVector sites1(n), sites2(n), estimated(n);
  Rcpp::CharacterVector parameter(n);
  Rcpp::NumericVector truth(n), mean(n), bias(n), rmse(n), coverage(n), width(n), capped(n),
      observed1(n), observed2(n), bias_se(n), rmse_se(n), coverage_se(n), detection(n),
      heterogeneity(n);
  Rcpp::IntegerVector species(n);
  Rcpp::LogicalVector meets(n);
  Rcpp::IntegerVector surveys(n), communities(n);
  Rcpp::NumericVector capped_se(n), assurance(n), assurance_se(n);
  Rcpp::LogicalVector decided(n);
  R_xlen_t row = 0;
  for (const plan::DesignResult& r : result.designs) {
    const plan::DesignSummary& d = r.summary;
    const bool shares = result.from_pilot && r.communities > 0;
    for (int k = 0; k < plan::kReportedCount; ++k, ++row) {
      const plan::ParameterSummary& p = d.parameters[static_cast<std::size_t>(k)];
      sites1[row] = d.design.sites1;
      sites2[row] = d.design.sites2;
      parameter[row] = reported[static_cast<std::size_t>(k)].name;
      truth[row] = measure(p.truth);
      mean[row] = measure(p.mean_estimate);
      bias[row] = measure(p.relative_bias);
      rmse[row] = measure(p.rmse);
      coverage[row] = measure(p.coverage);
      width[row] = measure(p.mean_width);
      capped[row] = measure(p.capped_share);
      observed1[row] = measure(d.mean_observed1);
      observed2[row] = measure(d.mean_observed2);
      // At most 10,000,000 surveys of a design (the request's checks), so within R's integers.
      estimated[row] = static_cast<int>(p.surveys_estimated);
      bias_se[row] = measure(p.relative_bias_se);
      rmse_se[row] = measure(p.rmse_se);
      coverage_se[row] = measure(p.coverage_se);
      const std::optional<bool> met = plan::meets_targets(d, k, targets);
      meets[row] = met ? (*met ? TRUE : FALSE) : NA_LOGICAL;
      species[row] = community.species;
      detection[row] = community.mean_detection;
      heterogeneity[row] = plan::assumed_heterogeneity(community);
      surveys[row] = static_cast<int>(d.surveys);
      capped_se[row] = measure(p.capped_share_se);
      decided[row] = r.meets ? (r.decided ? TRUE : FALSE) : NA_LOGICAL;
      assurance[row] = shares ? measure(r.assurance) : NA_REAL;
      assurance_se[row] = shares ? measure(r.assurance_se) : NA_REAL;
      // At most max_surveys communities (10,000,000).
      communities[row] = shares ? static_cast<int>(r.communities) : NA_INTEGER;
    }
  }
  // Rcpp's DataFrame::create takes at most 20 columns at once: built as a list, then classed.
  Rcpp::List columns = Rcpp::List::create(
      _["sites1"] = sites1, _["sites2"] = sites2, _["parameter"] = parameter,
      _["true_value"] = truth, _["mean_estimate"] = mean, _["relative_bias"] = bias,
      _["rmse"] = rmse, _["coverage"] = coverage, _["mean_interval_width"] = width,
      _["share_interval_capped"] = capped, _["mean_observed1"] = observed1,
      _["mean_observed2"] = observed2, _["surveys_estimated"] = estimated,
      _["relative_bias_se"] = bias_se, _["rmse_se"] = rmse_se, _["coverage_se"] = coverage_se);
  columns.push_back(meets, "meets_target");
  columns.push_back(species, "assumed_species");
  columns.push_back(detection, "assumed_detection");
  columns.push_back(heterogeneity, "assumed_heterogeneity");
  if (!targets.empty()) {  // the answer's columns, as kelvaro-plan's CSV has them
    columns.push_back(surveys, "surveys");
    columns.push_back(capped_se, "share_interval_capped_se");
    columns.push_back(decided, "decided");
    columns.push_back(assurance, "assurance");
    columns.push_back(assurance_se, "assurance_se");
    columns.push_back(communities, "communities");
  }
  columns.attr("row.names") = Rcpp::IntegerVector::create(NA_INTEGER, -static_cast<int>(n));
  columns.attr("class") = "data.frame";
  return Rcpp::DataFrame(columns);
}
