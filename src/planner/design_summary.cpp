#include <cmath>
#include <limits>

#include "kelvaro/survey_simulation.h"
#include "planner/printed_interval.h"

namespace kelvaro::plan {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double mean_of(double sum, std::int64_t count) {
  return count > 0 ? sum / static_cast<double>(count) : kNaN;
}

// Whether the interval's limit sits on the bound the range adjustment holds it to.
bool capped(const ParameterOutcome& p, IntervalCap cap, const SurveyOutcome& survey) {
  switch (cap) {
    case IntervalCap::kNone:
      return false;
    case IntervalCap::kObservedSample1:
      return p.lower == static_cast<float>(survey.observed1);
    case IntervalCap::kObservedSample2:
      return p.lower == static_cast<float>(survey.observed2);
    case IntervalCap::kOne:
      return p.upper == 1.0f;
    case IntervalCap::kZero:
      return p.lower == 0.0f;
  }
  return false;
}

// Sums of squared deviations from the means of the first pass, for the standard errors.
struct Spreads {
  double estimates = 0.0;       // of the estimates around mean_estimate
  double squared_errors = 0.0;  // of the squared errors around their mean (rmse^2)
  double widths = 0.0;          // of the widths around mean_width
};

Spreads spreads_of(int k, std::span<const SurveyOutcome> outcomes, double truth,
                   const ParameterSummary& s) {
  const double mse = s.rmse * s.rmse;
  Spreads out;
  for (const SurveyOutcome& survey : outcomes) {
    if (!survey.estimated) continue;
    const ParameterOutcome& p = survey.parameters[static_cast<std::size_t>(k)];
    if (std::isfinite(p.estimate)) {
      const double d = p.estimate - s.mean_estimate;
      const double e = (p.estimate - truth) * (p.estimate - truth) - mse;
      out.estimates += d * d;
      out.squared_errors += e * e;
    }
    if (std::isfinite(p.lower) && std::isfinite(p.upper)) {
      const double w = static_cast<double>(p.upper) - static_cast<double>(p.lower) - s.mean_width;
      out.widths += w * w;
    }
  }
  return out;
}

// The standard error of a mean of `count` values whose squared deviations sum to `squares`:
// sqrt(squares / (count - 1) / count); NaN below 2 values.
double standard_error(double squares, std::int64_t count) {
  if (count < 2) return kNaN;
  const auto n = static_cast<double>(count);
  return std::sqrt(squares / (n - 1.0) / n);
}

// What the shares count: surveys whose interval held the truth, and those whose interval was
// held at a bound.
struct ShareCounts {
  std::int64_t held = 0;
  std::int64_t capped = 0;
};

void add_standard_errors(int k, std::span<const SurveyOutcome> outcomes, std::int64_t intervals,
                         ShareCounts shares, ParameterSummary& s) {
  const Spreads spreads = spreads_of(k, outcomes, s.truth, s);
  const double estimate_se = standard_error(spreads.estimates, s.surveys_estimated);
  s.relative_bias_se = s.truth != 0.0 ? estimate_se / s.truth : kNaN;
  const double mse_se = standard_error(spreads.squared_errors, s.surveys_estimated);
  // An rmse of 0 has every squared error 0, so no spread: its standard error is 0, not 0/0.
  s.rmse_se = s.rmse > 0.0 ? mse_se / (2.0 * s.rmse) : (std::isnan(mse_se) ? kNaN : 0.0);
  const auto surveys = static_cast<std::int64_t>(outcomes.size());
  s.coverage_se = share_standard_error(shares.held, surveys);
  const ShareInterval coverage = wilson_interval(shares.held, surveys);
  s.coverage_lower = coverage.lower;
  s.coverage_upper = coverage.upper;
  s.capped_share_se = share_standard_error(shares.capped, surveys);
  s.mean_width_se = standard_error(spreads.widths, intervals);
}

ParameterSummary summarise_parameter(int k, std::span<const SurveyOutcome> outcomes,
                                     const ReportedParameter& reported) {
  const double truth = reported.truth.value();
  double sum = 0.0, squares = 0.0, widths = 0.0;
  std::int64_t estimates = 0, intervals = 0, held = 0, caps = 0;
  for (const SurveyOutcome& survey : outcomes) {
    if (!survey.estimated) continue;
    const ParameterOutcome& p = survey.parameters[static_cast<std::size_t>(k)];
    if (std::isfinite(p.estimate)) {
      ++estimates;
      sum += p.estimate;
      squares += (p.estimate - truth) * (p.estimate - truth);
    }
    if (std::isfinite(p.lower) && std::isfinite(p.upper)) {
      ++intervals;
      widths += static_cast<double>(p.upper) - static_cast<double>(p.lower);
    }
    held += printed_interval_holds(p.lower, p.upper, reported.decimals, reported.truth) ? 1 : 0;
    caps += capped(p, reported.cap, survey) ? 1 : 0;
  }
  ParameterSummary s;
  const auto surveys = static_cast<std::int64_t>(outcomes.size());
  s.truth = truth;
  s.surveys_estimated = estimates;
  s.mean_estimate = mean_of(sum, estimates);
  s.relative_bias = truth != 0.0 ? (s.mean_estimate - truth) / truth : kNaN;
  s.rmse = std::sqrt(mean_of(squares, estimates));
  s.coverage = mean_of(static_cast<double>(held), surveys);
  s.mean_width = mean_of(widths, intervals);
  s.capped_share = mean_of(static_cast<double>(caps), surveys);
  add_standard_errors(k, outcomes, intervals, {held, caps}, s);
  return s;
}

}  // namespace

DesignSummary summarise_design(Design design, std::span<const SurveyOutcome> outcomes,
                               const ReportedParameters& reported) {
  DesignSummary d;
  d.design = design;
  d.surveys = static_cast<std::int64_t>(outcomes.size());
  double observed1 = 0.0, observed2 = 0.0;
  for (const SurveyOutcome& survey : outcomes) {
    observed1 += survey.observed1;
    observed2 += survey.observed2;
  }
  d.mean_observed1 = mean_of(observed1, d.surveys);
  d.mean_observed2 = mean_of(observed2, d.surveys);
  for (int k = 0; k < kReportedCount; ++k) {
    d.parameters[static_cast<std::size_t>(k)] = summarise_parameter(k, outcomes, reported[k]);
  }
  return d;
}

}  // namespace kelvaro::plan
