#pragma once
// Pairs analysed on several threads and handed over in their order. Each worker thread has its
// own PairAnalyst and takes the next pair nobody has taken (and that was not analysed before);
// the calling thread receives the outcomes one by one in the pairs' order, so that what it
// writes is the same for every number of threads. At most kWindowPerThread outcomes per thread
// wait to be handed over, so memory stays bounded however many pairs there are and however slow
// one pair is. With one thread the calling thread analyses each pair itself, in turn.

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "batch/pair_analysis.h"

namespace kelvaro::batch {

// Enough finished pairs per thread to keep every thread busy while one pair takes long.
inline constexpr std::size_t kWindowPerThread = 32;

// Analyses the pairs on `threads` threads and calls deliver(index, outcome) on the calling
// thread for index 0, 1, ... in turn; a pair whose `done` entry holds an outcome is not analysed
// again (its input is not read), that outcome is delivered. Returns true when every pair was
// delivered, false when `stop` became true first (checked between pairs and at least ten times
// a second). An exception from deliver or from an analysis stops the workers and is rethrown
// here.
// Requires: threads >= 1; done.size() == pairs.size(); the samples stay unchanged meanwhile.
bool analyse_pairs(const std::vector<PairInput>& pairs,
                   std::vector<std::optional<PairOutcome>>& done, const AnalysisSettings& settings,
                   int threads, const std::function<void(std::size_t, PairOutcome&)>& deliver,
                   const std::atomic<bool>& stop);

}  // namespace kelvaro::batch
