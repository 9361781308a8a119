#pragma once
// A planning run: every design's surveys simulated and analysed on a pool of threads, then
// summarised design by design. Each survey's random numbers depend only on (seed, design, survey
// index) and each design is summarised in survey order, so the result is the same, bit for bit,
// for any number of threads.

#include <cstdint>
#include <functional>
#include <vector>

#include "kelvaro/ordered_pool.h"
#include "plan/community.h"
#include "plan/design_summary.h"

namespace kelvaro::plan {

struct PlanSettings {
  Community community;
  std::vector<Design> designs;    // in output order
  std::int32_t surveys = 200;     // simulated surveys per design
  std::int32_t replicates = 100;  // bootstrap replicates of each analysis
  std::uint64_t seed = 400;       // fixes every simulation stream and analysis seed
  int threads = 1;                // worker threads
  // Starts them (tests inject one that fails); when fewer start, the run goes on with those
  // and tells threads_short(asked, used) once, before the first survey is done.
  ThreadFactory thread_factory = start_thread;
  std::function<void(int asked, int used)> threads_short;
};

// Told from the calling thread, about ten times a second and once at the end, how many of the
// total surveys are done. It may throw to stop the run (a user's interrupt, say).
using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

// One summary per design, in the designs' order. An exception in a worker (out of memory) or
// from `progress` stops the run and is rethrown here, once the workers have finished the
// surveys they were on. The surveys run on the ordered pool (kelvaro/ordered_pool.h).
// Requires: designs not empty, surveys >= 1, 1 <= replicates <= 10000, threads >= 1.
std::vector<DesignSummary> run_plan(const PlanSettings& settings,
                                    const ProgressCallback& progress = {});

}  // namespace kelvaro::plan
