#pragma once
// Surveys simulated and analysed on the ordered pool in jobs: a design's surveys of one
// community, from a given survey number on. Each survey's streams depend only on (the
// community's seed, design, survey number), so a job gives the same outcomes whichever jobs run
// beside it and on however many threads.

#include <chrono>
#include <cstdint>
#include <vector>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

struct SurveyJob {
  const Community* community = nullptr;  // outlives the run
  std::uint64_t seed = 0;                // the plan's seed, or a plausible community's
  Design design;
  std::int64_t first = 0;  // survey numbers first .. first + count - 1
  std::int64_t count = 0;
};

// Tells a ProgressCallback how many surveys of the whole plan are done, about ten times a second
// and at the end of each batch of jobs; the total grows as rounds are planned.
class PlanProgress {
 public:
  explicit PlanProgress(const ProgressCallback& progress) : progress_(progress) {}
  void add_to_total(std::int64_t surveys) { total_ += surveys; }
  // `done` surveys of the batch now running are done; `last`: the batch is complete.
  void tell(std::int64_t done, bool last);
  // The batch now running is complete and counted.
  void batch_done(std::int64_t surveys) { done_ += surveys; }

 private:
  const ProgressCallback& progress_;
  std::int64_t done_ = 0;
  std::int64_t total_ = 0;
  std::chrono::steady_clock::time_point next_{};
};

// Every job's outcomes, in job order and survey order, computed on settings.threads threads
// (settings gives the replicates, the thread factory and threads_short; its community, designs
// and surveys are not used). An exception of a worker or of the progress callback is rethrown.
std::vector<std::vector<SurveyOutcome>> run_survey_jobs(const std::vector<SurveyJob>& jobs,
                                                        const PlanSettings& settings,
                                                        PlanProgress& progress);

}  // namespace kelvaro::plan
