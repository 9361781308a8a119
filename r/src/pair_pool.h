#pragma once
// Analyses of many pairs on the library's ordered pool (kelvaro/ordered_pool.h), for the grouped
// runs of the package: each pair analysed on a worker thread, independent of the others, and
// handed back in the pairs' order. The R thread waits for the workers and, every kStopCheck,
// asks R whether the user interrupted; the workers then stop at their next replicate (through
// the observer each analysis is given). Only the R thread calls R.

#include <cstddef>
#include <functional>
#include <string>

#include "kelvaro/kelvaro.h"

// A fault the package's tests inject to check that a grouped run stops cleanly (all threads
// joined, an R condition): a pair's run that fails with an exception at its first replicate, or
// an interrupt the R thread finds once `pair` pairs are delivered. Never set otherwise.
struct TestFault {
  enum class Kind { kNone, kThrow, kInterrupt } kind = Kind::kNone;
  std::size_t pair = 0;
};

// "throw", "interrupt" or anything else (none), at the pair with that 0-based index.
TestFault test_fault(const std::string& kind, int pair);

// The threads a grouped run asks for: `threads`, or the machine's cores when 0, at most one per
// pair and at least one.
int pool_threads(int threads, std::size_t pairs);

// Analyses pairs 0 .. count - 1 on `threads` workers: each worker is made by make_worker, which
// returns what analyses pair i with the observer it must give the run. Returns false when the
// user interrupted (the pairs then stop: their analyses may be incomplete). An analysis's
// exception other than a stop is rethrown once every worker is joined, its text naming the pair
// (label(i)); running out of memory stays std::bad_alloc.
using PairTask = std::function<void(std::size_t pair, kelvaro::Observer& observer)>;
bool analyse_in_order(std::size_t count, int threads, const TestFault& fault,
                      const std::function<PairTask()>& make_worker,
                      const std::function<std::string(std::size_t)>& label);
