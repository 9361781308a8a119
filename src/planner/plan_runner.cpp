#include <chrono>
#include <span>

#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// Survey `survey` of design `design`, simulated and analysed (what each worker does).
SurveyOutcome simulate_and_analyse(const PlanSettings& settings, Design design, std::int64_t survey,
                                   const ReportedParameters& reported) {
  SimulationGenerator g =
      SimulationGenerator::for_survey(settings.seed, design.sites1, design.sites2, survey);
  const SimulatedSurvey simulated = simulate_survey(settings.community, design, g);
  return analyse_survey(simulated, reported, settings.replicates,
                        analysis_seed(settings.seed, design.sites1, design.sites2, survey));
}

// Tells `progress` at most every kProgressInterval (and, by the caller, once at the end).
class ProgressTeller {
 public:
  ProgressTeller(const ProgressCallback& progress, std::int64_t total)
      : progress_(progress), total_(total), next_(std::chrono::steady_clock::now()) {}
  void tell(std::int64_t done) {
    if (!progress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total_ && now < next_) return;
    next_ = now + kProgressInterval;
    progress_(done, total_);
  }

 private:
  const ProgressCallback& progress_;
  std::int64_t total_;
  std::chrono::steady_clock::time_point next_;
};

}  // namespace

std::vector<DesignSummary> run_plan(const PlanSettings& settings,
                                    const ProgressCallback& progress) {
  const ReportedParameters reported = reported_parameters(settings.community);
  const auto surveys = static_cast<std::size_t>(settings.surveys);
  const std::size_t total = settings.designs.size() * surveys;
  // Survey outcomes in one table indexed design * surveys + survey.
  std::vector<SurveyOutcome> outcomes(total);
  std::size_t delivered = 0;
  ProgressTeller teller(progress, static_cast<std::int64_t>(total));
  OrderedWork work;
  work.claim = [&](std::size_t i) { return i < total; };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    return [&](std::size_t i) {
      outcomes[i] = simulate_and_analyse(settings, settings.designs[i / surveys],
                                         static_cast<std::int64_t>(i % surveys), reported);
    };
  };
  work.deliver = [&](std::size_t) { ++delivered; };
  work.go_on = [&] {
    teller.tell(static_cast<std::int64_t>(delivered));  // may throw to stop the run
    return true;
  };
  work.check = kProgressInterval;
  work.started = [&](int used) {
    if (used < settings.threads && settings.threads_short) {
      settings.threads_short(settings.threads, used);
    }
  };
  OrderedPool(settings.threads, settings.thread_factory).run(work);
  if (progress) progress(static_cast<std::int64_t>(total), static_cast<std::int64_t>(total));
  std::vector<DesignSummary> summaries;
  for (std::size_t d = 0; d < settings.designs.size(); ++d) {
    const auto design = std::span<const SurveyOutcome>(outcomes).subspan(d * surveys, surveys);
    summaries.push_back(summarise_design(settings.designs[d], design, reported));
  }
  return summaries;
}

}  // namespace kelvaro::plan
