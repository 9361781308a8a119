#include "plan/results_table.h"

#include <cmath>
#include <cstdio>

namespace kelvaro::plan {
namespace {

constexpr const char* kHeader =
    "sites1,sites2,parameter,true_value,mean_estimate,relative_bias,rmse,coverage,"
    "mean_interval_width,share_interval_capped,mean_observed1,mean_observed2,surveys_estimated";
constexpr const char* kRowEnd = "\r\n";

std::string real(double v) {
  if (std::isnan(v)) return "NA";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

void append_row(std::string& out, const DesignSummary& d, const ReportedParameter& reported,
                const ParameterSummary& p) {
  out += std::to_string(d.design.sites1) + ',' + std::to_string(d.design.sites2) + ',' +
         reported.name;
  for (double v : {p.truth, p.mean_estimate, p.relative_bias, p.rmse, p.coverage, p.mean_width,
                   p.capped_share, d.mean_observed1, d.mean_observed2}) {
    out += ',' + real(v);
  }
  out += ',' + std::to_string(p.surveys_estimated) + kRowEnd;
}

}  // namespace

std::string results_csv(const std::vector<DesignSummary>& designs,
                        const ReportedParameters& reported) {
  std::string out = std::string(kHeader) + kRowEnd;
  for (const DesignSummary& d : designs) {
    for (int k = 0; k < kReportedCount; ++k) {
      append_row(out, d, reported[k], d.parameters[static_cast<std::size_t>(k)]);
    }
  }
  return out;
}

}  // namespace kelvaro::plan
