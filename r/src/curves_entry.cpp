// Richness by effort for a run of the package (curves(fit)): the library's curves
// (kelvaro/curves.h) made from the incidence the run kept, with the run's replicates and seed or
// the settings asked for, as data frames of the library's curves and standardised tables (the
// values at full precision, not the tables' text).

#include <Rcpp.h>

#include <optional>

#include "entry_guard.h"
#include "kelvaro/curves.h"
#include "kelvaro/tables.h"
#include "result_list.h"

namespace {

using kelvaro::TableKind;
using Rcpp::_;

double or_na(const std::optional<double>& v) { return v ? *v : NA_REAL; }

// The columns of a library table (kelvaro/tables.h), named as it names them.
Rcpp::DataFrame frame_of(TableKind kind, Rcpp::List columns) {
  Rcpp::CharacterVector names;
  for (const kelvaro::Column& c : kelvaro::table_columns(kind))
    names.push_back(std::string(c.name));
  columns.attr("names") = names;
  columns.attr("class") = "data.frame";
  const R_xlen_t rows = Rf_xlength(columns[0]);
  columns.attr("row.names") = Rcpp::IntegerVector::create(NA_INTEGER, -static_cast<int>(rows));
  return Rcpp::DataFrame(columns);
}

Rcpp::DataFrame curves_frame(const kelvaro::ResultCurves& curves) {
  Rcpp::CharacterVector block, kind;
  Rcpp::IntegerVector sites;
  Rcpp::NumericVector richness, lower, upper, coverage;
  for (const kelvaro::BlockCurve& c : curves.blocks) {
    for (const kelvaro::CurvePoint& p : c.points) {
      block.push_back(kelvaro::block_name(c.block));
      sites.push_back(p.sites);
      kind.push_back(kelvaro::curve_kind_name(p.kind));
      richness.push_back(p.richness);
      lower.push_back(or_na(p.lower));
      upper.push_back(or_na(p.upper));
      coverage.push_back(or_na(p.coverage));
    }
  }
  return frame_of(TableKind::kCurves,
                  Rcpp::List::create(block, sites, kind, richness, lower, upper, coverage));
}

Rcpp::DataFrame standardised_frame(const kelvaro::ResultCurves& curves) {
  Rcpp::CharacterVector standard, block, kind;
  Rcpp::NumericVector sites, richness, lower, upper, coverage;
  for (const kelvaro::StandardisedRichness& s : curves.standardised) {
    standard.push_back(kelvaro::standard_name(s.standard));
    block.push_back(kelvaro::block_name(s.block));
    sites.push_back(or_na(s.sites));
    kind.push_back(kelvaro::curve_kind_name(s.kind));
    richness.push_back(s.richness);
    lower.push_back(or_na(s.lower));
    upper.push_back(or_na(s.upper));
    coverage.push_back(or_na(s.coverage));
  }
  return frame_of(TableKind::kStandardised, Rcpp::List::create(standard, block, sites, kind,
                                                               richness, lower, upper, coverage));
}

std::optional<std::int32_t> optional_int(int v) {
  return v == NA_INTEGER ? std::nullopt : std::optional<std::int32_t>(v);
}

}  // namespace

// incidence: a run's $incidence (result_list.h); nreps, seed, clock as the run's (clock NA: none);
// endpoint, effort: NA for the defaults; coverage: NA for the default.
// [[Rcpp::export(.curves, rng = false)]]
Rcpp::List curves_entry(Rcpp::List incidence, int nreps, int seed, int clock, int endpoint,
                        int effort, double coverage) {
  return guarded("kelvaro", [&] {
    const kelvaro::RunIncidence kept = incidence_of(incidence);
    kelvaro::CurveSettings settings;
    settings.replicates = nreps;
    settings.seed = seed;
    settings.clock_seed = optional_int(clock);
    settings.endpoint = optional_int(endpoint);
    settings.effort = optional_int(effort);
    if (!ISNA(coverage)) settings.coverage = coverage;
    kelvaro::ResultCurves curves = kelvaro::estimate_curves(kept.samples, settings);
    curves.warnings.insert(curves.warnings.begin(), kept.left_out.begin(), kept.left_out.end());
    int replicates = 0;
    for (const kelvaro::BlockCurve& c : curves.blocks)
      replicates = std::max(replicates, c.replicates);
    return Rcpp::List::create(
        _["curves"] = curves_frame(curves), _["standardised"] = standardised_frame(curves),
        _["warnings"] = curve_warnings_frame(curves.warnings), _["replicates"] = replicates);
  });
}
