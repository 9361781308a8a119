#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

SurveyOutcome analyse_survey(const SimulatedSurvey& simulated, const ReportedParameters& reported,
                             std::int32_t replicates, std::int32_t seed) {
  Options options;
  options.replicates = replicates;
  options.seed = seed;
  const RunResult run = run_survey(simulated.survey, options);
  SurveyOutcome out;
  out.observed1 = simulated.observed1;
  out.observed2 = simulated.observed2;
  out.estimated = run.status == RunStatus::kComplete && run.parameters.size() == kParameterCount;
  if (!out.estimated) return out;
  for (int k = 0; k < kReportedCount; ++k) {
    const Parameter& p = run.parameters[static_cast<std::size_t>(reported[k].index)];
    out.parameters[static_cast<std::size_t>(k)] = {p.estimate, p.lower, p.upper};
  }
  return out;
}

}  // namespace kelvaro::plan
