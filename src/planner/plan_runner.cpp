#include "kelvaro/planner.h"
#include "planner/survey_jobs.h"

namespace kelvaro::plan {

std::vector<DesignSummary> run_plan(const PlanSettings& settings,
                                    const ProgressCallback& progress) {
  std::vector<SurveyJob> jobs;
  for (const Design& d : settings.designs) {
    jobs.push_back({&settings.community, settings.seed, d, 0, settings.surveys});
  }
  PlanProgress told(progress);
  told.add_to_total(static_cast<std::int64_t>(settings.designs.size()) * settings.surveys);
  const std::vector<std::vector<SurveyOutcome>> outcomes = run_survey_jobs(jobs, settings, told);
  const ReportedParameters reported = reported_parameters(settings.community);
  std::vector<DesignSummary> summaries;
  for (std::size_t d = 0; d < settings.designs.size(); ++d) {
    summaries.push_back(summarise_design(settings.designs[d], outcomes[d], reported));
  }
  return summaries;
}

}  // namespace kelvaro::plan
