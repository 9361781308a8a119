#include "batch/early_analyses.h"

namespace kelvaro::batch {

EarlyAnalyses::EarlyAnalyses(const AnalysisSettings& settings, int workers) : settings_(settings) {
  for (int t = 0; t < workers; ++t) threads_.emplace_back([this] { work(nullptr); });
}

EarlyAnalyses::~EarlyAnalyses() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  queued_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void EarlyAnalyses::add(const SamplePair& pair, PairInput input) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back({pair, std::move(input)});
  }
  queued_.notify_one();
}

void EarlyAnalyses::work(const std::atomic<bool>* stop) {
  PairAnalyst analyst(settings_);
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [&] { return cancelled_ || finishing_ || !jobs_.empty(); });
    if (cancelled_ || jobs_.empty() || (stop != nullptr && *stop)) break;  // empty: finishing
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    ++running_;
    lock.unlock();
    std::exception_ptr error;
    PairOutcome outcome = analyst.analyse(job.input, error);
    lock.lock();
    --running_;
    if (error && !error_) error_ = error;
    if (!error) outcomes_.emplace(job.pair, std::move(outcome));
    if (running_ == 0 && jobs_.empty()) idle_.notify_all();
  }
}

std::optional<EarlyOutcomes> EarlyAnalyses::finish(const std::atomic<bool>& stop) {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  queued_.notify_all();
  work(&stop);
  std::unique_lock lock(mutex_);
  while (running_ > 0 || !jobs_.empty()) {
    if (stop) return std::nullopt;
    idle_.wait_for(lock, kStopCheck);
  }
  if (error_) std::rethrow_exception(error_);
  return std::move(outcomes_);
}

}  // namespace kelvaro::batch
