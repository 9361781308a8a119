#include <cmath>
#include <limits>
#include <optional>

#include "kelvaro/planner.h"
#include "planner/significant_digits.h"

namespace kelvaro::plan {
namespace {

constexpr const char* kHeader =
    "sites1,sites2,parameter,true_value,mean_estimate,relative_bias,rmse,coverage,"
    "mean_interval_width,share_interval_capped,mean_observed1,mean_observed2,surveys_estimated,"
    "relative_bias_se,rmse_se,coverage_se,meets_target,assumed_species,assumed_detection,"
    "assumed_heterogeneity";
// The columns a plan with targets adds (plan_survey).
constexpr const char* kAnswerColumns =
    ",surveys,share_interval_capped_se,decided,assurance,assurance_se,communities";
constexpr const char* kRowEnd = "\r\n";

std::string real(double v) {
  if (std::isnan(v)) return "NA";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  return significant_digits(v, 6);
}

void append_row(std::string& out, const DesignSummary& d, int k, const ReportedParameter& reported,
                const Community& community, const std::vector<Target>& targets) {
  const ParameterSummary& p = d.parameters[static_cast<std::size_t>(k)];
  out +=
      std::to_string(d.design.sites1) + ',' + std::to_string(d.design.sites2) + ',' + reported.name;
  for (double v : {p.truth, p.mean_estimate, p.relative_bias, p.rmse, p.coverage, p.mean_width,
                   p.capped_share, d.mean_observed1, d.mean_observed2}) {
    out += ',' + real(v);
  }
  out += ',' + std::to_string(p.surveys_estimated);
  for (double v : {p.relative_bias_se, p.rmse_se, p.coverage_se}) out += ',' + real(v);
  const std::optional<bool> meets = meets_targets(d, k, targets);
  out += meets ? (*meets ? ",yes" : ",no") : ",";
  out += ',' + std::to_string(community.species) + ',' + real(community.mean_detection) + ',' +
         real(assumed_heterogeneity(community));
}

}  // namespace

std::string results_csv(const std::vector<DesignSummary>& designs,
                        const ReportedParameters& reported, const Community& community,
                        const std::vector<Target>& targets) {
  std::string out = std::string(kHeader) + kRowEnd;
  for (const DesignSummary& d : designs) {
    for (int k = 0; k < kReportedCount; ++k) {
      append_row(out, d, k, reported[k], community, targets);
      out += kRowEnd;
    }
  }
  return out;
}

std::string results_csv(const PlanResult& result) {
  const ReportedParameters reported = reported_parameters(result.community);
  // Without targets a plan has no rounds and no answer: the rows of one round, as ever.
  const bool answered = !result.targets.empty();
  std::string out = std::string(kHeader) + (answered ? kAnswerColumns : "") + kRowEnd;
  for (const DesignResult& d : result.designs) {
    const bool shares = result.from_pilot && d.communities > 0;
    for (int k = 0; k < kReportedCount; ++k) {
      append_row(out, d.summary, k, reported[k], result.community, result.targets);
      if (!answered) {
        out += kRowEnd;
        continue;
      }
      out += ',' + std::to_string(d.summary.surveys) + ',' +
             real(d.summary.parameters[static_cast<std::size_t>(k)].capped_share_se) + ',' +
             (d.meets ? (d.decided ? "yes" : "no") : "") + ',' +
             (shares ? real(d.assurance) + ',' + real(d.assurance_se) + ',' +
                           std::to_string(d.communities)
                     : std::string(",,")) +
             kRowEnd;
    }
  }
  return out;
}

double assumed_heterogeneity(const Community& community) {
  return community.heterogeneity.value_or(std::numeric_limits<double>::infinity());
}

}  // namespace kelvaro::plan
