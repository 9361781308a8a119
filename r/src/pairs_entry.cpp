// Runs of many pairs of samples at once (kelvaro(x, groups = ...)): every pair's survey is built
// on the R thread, the runs go to worker threads (each run independent, with the same seed, so
// that every pair's numbers are those of its own kelvaro() call whatever the number of threads),
// and the results become R lists on the R thread again, in the pairs' order. The R thread waits
// for the workers and, every kStopCheck, asks R whether the user interrupted; the workers then
// stop at their next replicate.

#include <Rcpp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/ordered_pool.h"
#include "result_list.h"
#include "survey_blocks.h"

namespace {

constexpr std::chrono::milliseconds kStopCheck{100};

// Thrown inside a worker's run when the batch is stopped; the run unwinds (it owns its state).
struct RunStopped {};

class StopObserver final : public kelvaro::Observer {
 public:
  explicit StopObserver(const std::atomic<bool>& stop) : stop_(stop) {}
  void bootstrap_progress(kelvaro::BlockNumber, std::int32_t, double) override {
    if (stop_.load(std::memory_order_relaxed)) throw RunStopped{};
  }

 private:
  const std::atomic<bool>& stop_;
};

// Runs every survey on the library's ordered pool of `threads` workers; results[i] is survey i's.
// The calling thread asks R every kStopCheck whether the user interrupted; the runs in hand then
// stop at their next progress call. Returns false when interrupted. A run's exception other than
// a stop is rethrown here.
bool run_all(const std::vector<kelvaro::Survey>& surveys, const kelvaro::Options& options,
             int threads, std::vector<kelvaro::RunResult>& results) {
  std::atomic<bool> stop{false};
  bool interrupted = false;
  kelvaro::OrderedWork work;
  work.claim = [&](std::size_t i) { return i < surveys.size(); };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    return [&](std::size_t i) {
      StopObserver observer(stop);
      kelvaro::Settings settings;
      settings.observer = &observer;
      try {
        results[i] = kelvaro::run_survey(surveys[i], options, settings);
      } catch (const RunStopped&) {
      }
    };
  };
  work.deliver = [](std::size_t) {};
  work.go_on = [&] {
    if (R_ToplevelExec([](void*) { R_CheckUserInterrupt(); }, nullptr) == FALSE) {
      interrupted = true;
      stop = true;
    }
    return !interrupted;
  };
  work.check = kStopCheck;
  kelvaro::OrderedPool pool(threads);
  pool.run(work);
  return !interrupted;
}

}  // namespace

// surveys: a list of block lists (as .run_survey takes one); threads 0 takes the machine's cores.
// [[Rcpp::export(.run_surveys, rng = false)]]
Rcpp::List run_surveys_entry(Rcpp::List surveys, int nreps, int seed, bool range_adjust,
                             int threads) {
  return guarded("kelvaro", [&] {
    std::vector<kelvaro::Survey> input;
    input.reserve(static_cast<std::size_t>(surveys.size()));
    for (R_xlen_t i = 0; i < surveys.size(); ++i) input.push_back(survey_of(surveys[i]));
    kelvaro::Options options;
    options.replicates = nreps;
    options.seed = seed;
    options.range_adjustment = range_adjust;
    std::vector<kelvaro::RunResult> results(input.size());
    const int wanted =
        threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    const int workers = std::max(1, std::min<int>(wanted, static_cast<int>(input.size())));
    if (!run_all(input, options, workers, results)) throw Rcpp::internal::InterruptedException();
    Rcpp::List out(surveys.size());
    for (R_xlen_t i = 0; i < surveys.size(); ++i) {
      out[i] = result_list(results[static_cast<std::size_t>(i)], false);
    }
    return out;
  });
}
