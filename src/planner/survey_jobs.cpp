#include "planner/survey_jobs.h"

#include <algorithm>

#include "kelvaro/ordered_pool.h"

namespace kelvaro::plan {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

}  // namespace

void PlanProgress::tell(std::int64_t done, bool last) {
  if (!progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!last && now < next_) return;
  next_ = now + kProgressInterval;
  progress_(done_ + done, total_);
}

std::vector<std::vector<SurveyOutcome>> run_survey_jobs(const std::vector<SurveyJob>& jobs,
                                                        const PlanSettings& settings,
                                                        PlanProgress& progress) {
  // Survey i of the batch is survey first + (i - starts[j]) of job j, starts[j] <= i < starts[j+1].
  std::vector<std::size_t> starts = {0};
  std::vector<ReportedParameters> reported;
  std::vector<std::vector<SurveyOutcome>> outcomes;
  for (const SurveyJob& job : jobs) {
    starts.push_back(starts.back() + static_cast<std::size_t>(job.count));
    reported.push_back(reported_parameters(*job.community));
    outcomes.emplace_back(static_cast<std::size_t>(job.count));
  }
  const std::size_t total = starts.back();
  const auto outcome_of = [&](std::size_t i) -> std::pair<std::size_t, std::size_t> {
    const auto j = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) -
                                            starts.begin() - 1);
    return {j, i - starts[j]};
  };
  std::size_t delivered = 0;
  OrderedWork work;
  work.claim = [&](std::size_t i) { return i < total; };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    return [&](std::size_t i) {
      const auto [j, k] = outcome_of(i);
      const SurveyJob& job = jobs[j];
      const std::int64_t survey = job.first + static_cast<std::int64_t>(k);
      const Design d = job.design;
      SimulationGenerator g = SimulationGenerator::for_survey(job.seed, d.sites1, d.sites2, survey);
      const SimulatedSurvey simulated = simulate_survey(*job.community, d, g);
      outcomes[j][k] = analyse_survey(simulated, reported[j], settings.replicates,
                                      analysis_seed(job.seed, d.sites1, d.sites2, survey));
    };
  };
  work.deliver = [&](std::size_t) { ++delivered; };
  work.go_on = [&] {
    progress.tell(static_cast<std::int64_t>(delivered), false);  // may throw to stop the run
    return true;
  };
  work.check = kProgressInterval;
  work.started = [&](int used) {
    if (used < settings.threads && settings.threads_short) {
      settings.threads_short(settings.threads, used);
    }
  };
  OrderedPool(settings.threads, settings.thread_factory).run(work);
  progress.tell(static_cast<std::int64_t>(total), true);
  progress.batch_done(static_cast<std::int64_t>(total));
  return outcomes;
}

}  // namespace kelvaro::plan
