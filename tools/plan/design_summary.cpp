#include "plan/design_summary.h"

#include <cmath>
#include <limits>

#include "plan/printed_interval.h"

namespace kelvaro::plan {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double mean_of(double sum, std::int64_t count) {
  return count > 0 ? sum / static_cast<double>(count) : kNaN;
}

// Whether the interval's limit sits on the bound the range adjustment holds it to.
bool capped(const ParameterOutcome& p, IntervalCap cap, const SurveyOutcome& survey) {
  switch (cap) {
    case IntervalCap::kNone: return false;
    case IntervalCap::kObservedSample1: return p.lower == static_cast<float>(survey.observed1);
    case IntervalCap::kObservedSample2: return p.lower == static_cast<float>(survey.observed2);
    case IntervalCap::kOne: return p.upper == 1.0f;
    case IntervalCap::kZero: return p.lower == 0.0f;
  }
  return false;
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
