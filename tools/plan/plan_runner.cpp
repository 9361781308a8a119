#include "plan/plan_runner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <span>
#include <thread>

namespace kelvaro::plan {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// Survey `survey` of design `design`, simulated and analysed (what each worker does).
SurveyOutcome simulate_and_analyse(const PlanSettings& settings, Design design,
                                   std::int64_t survey, const ReportedParameters& reported) {
  SimulationGenerator g =
      SimulationGenerator::for_survey(settings.seed, design.sites1, design.sites2, survey);
  const SimulatedSurvey simulated = simulate_survey(settings.community, design, g);
  return analyse_survey(simulated, reported, settings.replicates,
                        analysis_seed(settings.seed, design.sites1, design.sites2, survey));
}

// The work of one run: survey outcomes in one table indexed design * surveys + survey, handed
// out one at a time from a shared counter.
class SurveyPool {
 public:
  SurveyPool(const PlanSettings& settings, const ReportedParameters& reported)
      : settings_(settings),
        reported_(reported),
        total_(static_cast<std::int64_t>(settings.designs.size()) * settings.surveys),
        outcomes_(static_cast<std::size_t>(total_)) {}

  void work() {
    try {
      for (std::int64_t i = next_++; i < total_ && !failed_; i = next_++) {
        const Design design = settings_.designs[static_cast<std::size_t>(i / settings_.surveys)];
        outcomes_[static_cast<std::size_t>(i)] =
            simulate_and_analyse(settings_, design, i % settings_.surveys, reported_);
        finished();
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!error_) error_ = std::current_exception();
      failed_ = true;
      changed_.notify_all();
    }
  }

  // Waits until every survey is done or a worker failed, telling progress as it goes.
  void wait(const ProgressCallback& progress) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (done_ < total_ && !failed_) {
      changed_.wait_for(lock, kProgressInterval);
      const std::int64_t done = done_;
      if (done == total_ || failed_) break;
      lock.unlock();
      tell(progress, done);
      lock.lock();
    }
    if (!failed_) tell(progress, total_);
  }

  void rethrow_failure() const {
    if (error_) std::rethrow_exception(error_);
  }

  std::span<const SurveyOutcome> design_outcomes(std::size_t d) const {
    const auto surveys = static_cast<std::size_t>(settings_.surveys);
    return std::span<const SurveyOutcome>(outcomes_).subspan(d * surveys, surveys);
  }

 private:
  // Tells progress; when it throws, no worker takes another survey and the exception goes on.
  void tell(const ProgressCallback& progress, std::int64_t done) {
    if (!progress) return;
    try {
      progress(done, total_);
    } catch (...) {
      failed_ = true;
      throw;
    }
  }

  void finished() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (++done_ == total_) changed_.notify_all();
  }

  const PlanSettings& settings_;
  const ReportedParameters& reported_;
  const std::int64_t total_;
  std::vector<SurveyOutcome> outcomes_;
  std::atomic<std::int64_t> next_{0};
  std::atomic<bool> failed_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t done_ = 0;
  std::exception_ptr error_;
};

}  // namespace

std::vector<DesignSummary> run_plan(const PlanSettings& settings,
                                    const ProgressCallback& progress) {
  const ReportedParameters reported = reported_parameters(settings.community);
  SurveyPool pool(settings, reported);
  {
    std::vector<std::jthread> workers;
    for (int t = 0; t < settings.threads; ++t) workers.emplace_back([&pool] { pool.work(); });
    pool.wait(progress);
  }  // the workers are joined here
  pool.rethrow_failure();
  std::vector<DesignSummary> summaries;
  for (std::size_t d = 0; d < settings.designs.size(); ++d) {
    summaries.push_back(summarise_design(settings.designs[d], pool.design_outcomes(d), reported));
  }
  return summaries;
}

}  // namespace kelvaro::plan
