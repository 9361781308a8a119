// Runs of many pairs of samples at once (kelvaro(x, groups = ...)): every pair's survey is built
// on the R thread, the runs go to worker threads (each run independent, with its pair's seed, so
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
#include <optional>
#include <stdexcept>
#include <string>
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

// A fault the package's tests inject to check that a grouped run stops cleanly (all threads
// joined, an R condition): a pair's run that fails with an exception at its first replicate, or
// an interrupt the R thread finds once `pair` pairs are delivered. Never set otherwise.
struct TestFault {
  enum class Kind { kNone, kThrow, kInterrupt } kind = Kind::kNone;
  std::size_t pair = 0;
};

class StopObserver final : public kelvaro::Observer {
 public:
  StopObserver(const std::atomic<bool>& stop, bool fail) : stop_(stop), fail_(fail) {}
  void bootstrap_progress(kelvaro::BlockNumber, std::int32_t, double) override {
    if (fail_) throw std::runtime_error("a fault injected by the package's tests");
    if (stop_.load(std::memory_order_relaxed)) throw RunStopped{};
  }

 private:
  const std::atomic<bool>& stop_;
  bool fail_;
};

// Runs every survey on the library's ordered pool of `threads` workers, survey i with seeds[i];
// results[i] is survey i's.
// The calling thread asks R every kStopCheck whether the user interrupted; the runs in hand then
// stop at their next progress call. Returns false when interrupted. A run's exception other than
// a stop is rethrown here, once every worker is joined, its text naming the pair (labels[i]);
// running out of memory stays std::bad_alloc (the pool then computes the rest on this thread).
bool run_all(const std::vector<kelvaro::Survey>& surveys, const std::vector<std::string>& labels,
             const kelvaro::Options& options, const std::vector<std::int32_t>& seeds,
             std::optional<std::int32_t> clock, int threads, const TestFault& fault,
             std::vector<kelvaro::RunResult>& results) {
  std::atomic<bool> stop{false};
  bool interrupted = false;
  std::size_t delivered = 0;
  kelvaro::OrderedWork work;
  work.claim = [&](std::size_t i) { return i < surveys.size(); };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    return [&](std::size_t i) {
      StopObserver observer(stop, fault.kind == TestFault::Kind::kThrow && fault.pair == i);
      kelvaro::Settings settings;
      settings.observer = &observer;
      settings.clock_seed = clock;
      kelvaro::Options pair_options = options;
      pair_options.seed = seeds[i];
      try {
        results[i] = kelvaro::run_survey(surveys[i], pair_options, settings);
      } catch (const RunStopped&) {
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        throw std::runtime_error("pair " + labels[i] + ": " + e.what());
      }
    };
  };
  work.deliver = [&](std::size_t) { ++delivered; };
  work.go_on = [&] {
    if (R_ToplevelExec([](void*) { R_CheckUserInterrupt(); }, nullptr) == FALSE ||
        (fault.kind == TestFault::Kind::kInterrupt && delivered >= fault.pair)) {
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

TestFault test_fault(const std::string& kind, int pair) {
  TestFault fault;
  if (kind == "throw") fault.kind = TestFault::Kind::kThrow;
  if (kind == "interrupt") fault.kind = TestFault::Kind::kInterrupt;
  fault.pair = static_cast<std::size_t>(std::max(pair, 0));
  return fault;
}

}  // namespace

// surveys: a list of block lists (as .run_survey takes one), labels: each pair's name for error
// messages, seeds: each pair's seed (the R code gives one per survey, none NA); clock as for
// .run_survey (the R code reads it once for all pairs); threads 0 takes the machine's cores.
// fault and fault_pair: the tests' TestFault ("" for none).
// [[Rcpp::export(.run_surveys, rng = false)]]
Rcpp::List run_surveys_entry(Rcpp::List surveys, Rcpp::CharacterVector labels, int nreps,
                             Rcpp::IntegerVector seeds, int clock, bool range_adjust, int threads,
                             std::string fault = "", int fault_pair = 0) {
  return guarded("kelvaro", [&] {
    std::vector<kelvaro::Survey> input;
    std::vector<std::string> names;
    std::vector<std::int32_t> pair_seeds;
    input.reserve(static_cast<std::size_t>(surveys.size()));
    for (R_xlen_t i = 0; i < surveys.size(); ++i) {
      input.push_back(survey_of(surveys[i]));
      names.push_back(i < labels.size() ? Rcpp::as<std::string>(labels[i]) : std::to_string(i + 1));
    }
    if (seeds.size() != surveys.size()) throw std::invalid_argument("one seed per pair expected");
    pair_seeds.assign(seeds.begin(), seeds.end());
    kelvaro::Options options;
    options.replicates = nreps;
    options.range_adjustment = range_adjust;
    std::vector<kelvaro::RunResult> results(input.size());
    const int wanted =
        threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    const int workers = std::max(1, std::min<int>(wanted, static_cast<int>(input.size())));
    const std::optional<std::int32_t> clock_seed =
        clock == NA_INTEGER ? std::nullopt : std::optional<std::int32_t>(clock);
    const bool complete = run_all(input, names, options, pair_seeds, clock_seed, workers,
                                  test_fault(fault, fault_pair), results);
    if (!complete) throw Rcpp::internal::InterruptedException();
    Rcpp::List out(surveys.size());
    for (R_xlen_t i = 0; i < surveys.size(); ++i) {
      out[i] = result_list(results[static_cast<std::size_t>(i)], false);
    }
    return out;
  });
}
