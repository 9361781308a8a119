#pragma once
// Pairs analysed on the ordered pool (kelvaro/ordered_pool.h) and handed over in their order.
// Each worker thread has its own PairAnalyst; the calling thread receives the outcomes one by one
// in the pairs' order, so that what it writes is the same for every number of threads. The pairs
// are made as the workers take them, and at most kWindowPerThread pairs per thread are between
// taken and handed over: memory stays bounded however many pairs there are and however slow one
// pair is. The calling thread is one of the threads that analyse: while the next pair's outcome
// is not ready it analyses a pair itself (with one thread, each pair in turn).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>

#include "kelvaro/ordered_pool.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {

// How often a thread that waits for the workers' analyses looks at the stop flag.
inline constexpr std::chrono::milliseconds kStopCheck{100};

// Enough finished pairs per thread to keep every thread busy while one pair takes long.
inline constexpr std::size_t kWindowPerThread = 32;

// Where the pairs come from: next(input) fills the next pair's input and says whether there was
// one (called under the pool's lock, in order); deliver(input, outcome) receives each pair's
// input and outcome on the calling thread, in the pairs' order.
struct PairWork {
  std::function<bool(PairInput& input)> next;
  std::function<void(const PairInput& input, PairOutcome& outcome)> deliver;
  // Told how many threads analyse, before the first pair is delivered (may be empty).
  std::function<void(int threads)> started;
};

// Analyses every pair on `threads` threads (started by `factory`; fewer when some cannot be
// started, see ordered_pool.h). Returns true when every pair was delivered, false when `stop`
// became true first (checked between pairs and at least ten times a second). An exception from
// deliver or from an analysis stops the workers and is rethrown here. Requires: threads >= 1; the
// samples the inputs point to stay unchanged meanwhile.
bool analyse_pairs(const PairWork& work, const AnalysisSettings& settings, int threads,
                   const std::atomic<bool>& stop, const ThreadFactory& factory = start_thread);

}  // namespace kelvaro::batch
