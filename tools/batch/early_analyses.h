#pragma once
// Pairs analysed while the table is still being read: the reading thread adds pairs as their
// groups are complete (detection_table.h), worker threads analyse them in any order, and
// finish() hands over every outcome by pair. The outcomes wait in memory until the batch writes
// them in order: a few kilobytes per pair.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "batch/pair_analysis.h"
#include "batch/pairing.h"

namespace kelvaro::batch {

using EarlyOutcomes = std::unordered_map<SamplePair, PairOutcome, SamplePairHash>;

class EarlyAnalyses {
 public:
  // Starts `workers` threads (0: none; add() then only queues). Requires: settings outlive it.
  EarlyAnalyses(const AnalysisSettings& settings, int workers);
  // Stops the workers (the pairs not analysed yet are dropped) and joins them.
  ~EarlyAnalyses();
  EarlyAnalyses(const EarlyAnalyses&) = delete;
  EarlyAnalyses& operator=(const EarlyAnalyses&) = delete;

  // Queues a pair. Requires: its samples stay unchanged until finish() returns.
  void add(const SamplePair& pair, PairInput input);

  // Analyses what is still queued on the calling thread too, waits for the workers, and returns
  // the outcomes; nullopt when `stop` became true first. Rethrows a failed analysis's exception.
  std::optional<EarlyOutcomes> finish(const std::atomic<bool>& stop);

 private:
  struct Job {
    SamplePair pair;
    PairInput input;
  };
  // Takes and analyses queued jobs until the queue is empty while finishing, the work is
  // cancelled, or `stop` (when given) is true.
  void work(const std::atomic<bool>* stop);

  const AnalysisSettings& settings_;
  std::mutex mutex_;
  std::condition_variable queued_, idle_;
  std::deque<Job> jobs_;
  std::size_t running_ = 0;  // jobs being analysed
  bool finishing_ = false;
  bool cancelled_ = false;
  EarlyOutcomes outcomes_;
  std::exception_ptr error_;
  std::vector<std::thread> threads_;
};

}  // namespace kelvaro::batch
