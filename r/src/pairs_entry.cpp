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
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/kelvaro.h"
#include "result_list.h"
#include "survey_blocks.h"

namespace {

constexpr std::chrono::milliseconds kStopCheck{100};

// Thrown inside a worker's run when the batch is stopped; the run unwinds (it owns its state).
struct RunStopped {};

class StopObserver final : public kelvaro::Observer {
 public:
  explicit StopObserver(const std::atomic<bool>& stop) : stop_(stop) {}
  void bootstrap_progress(int, std::int32_t, double) override {
    if (stop_.load(std::memory_order_relaxed)) throw RunStopped{};
  }

 private:
  const std::atomic<bool>& stop_;
};

// Runs every survey on `threads` workers taking the next survey in turn; results[i] is survey
// i's. Returns false when interrupted. A worker's exception other than a stop is rethrown here.
bool run_all(const std::vector<kelvaro::Survey>& surveys, const kelvaro::Options& options,
             int threads, std::vector<kelvaro::RunResult>& results) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
  int running = threads;
  std::exception_ptr failure;
  auto work = [&] {
    StopObserver observer(stop);
    kelvaro::Settings settings;
    settings.observer = &observer;
    try {
      for (std::size_t i = next++; i < surveys.size() && !stop; i = next++) {
        results[i] = kelvaro::run_survey(surveys[i], options, settings);
      }
    } catch (const RunStopped&) {
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!failure) failure = std::current_exception();
      stop = true;
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_one();
  };
  std::vector<std::thread> workers;
  for (int k = 0; k < threads; ++k) workers.emplace_back(work);
  bool interrupted = false;
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished.wait_for(lock, kStopCheck, [&] { return running == 0; })) {
      lock.unlock();
      if (!interrupted && R_ToplevelExec([](void*) { R_CheckUserInterrupt(); }, nullptr) == FALSE) {
        interrupted = true;
        stop = true;
      }
      lock.lock();
    }
  }
  for (std::thread& w : workers) w.join();
  if (failure) std::rethrow_exception(failure);
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
