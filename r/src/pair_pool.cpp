#include "pair_pool.h"

#include <Rcpp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>

#include "kelvaro/ordered_pool.h"

namespace {

constexpr std::chrono::milliseconds kStopCheck{100};

// Thrown inside a worker's run when the batch is stopped; the run unwinds (it owns its state).
struct RunStopped {};

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

}  // namespace

TestFault test_fault(const std::string& kind, int pair) {
  TestFault fault;
  if (kind == "throw") fault.kind = TestFault::Kind::kThrow;
  if (kind == "interrupt") fault.kind = TestFault::Kind::kInterrupt;
  fault.pair = static_cast<std::size_t>(std::max(pair, 0));
  return fault;
}

int pool_threads(int threads, std::size_t pairs) {
  const int wanted = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
  return std::max(1, std::min<int>(wanted, static_cast<int>(std::min<std::size_t>(pairs, 1024))));
}

bool analyse_in_order(std::size_t count, int threads, const TestFault& fault,
                      const std::function<PairTask()>& make_worker,
                      const std::function<std::string(std::size_t)>& label) {
  std::atomic<bool> stop{false};
  bool interrupted = false;
  std::size_t delivered = 0;
  kelvaro::OrderedWork work;
  work.claim = [&](std::size_t i) { return i < count; };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    PairTask task = make_worker();
    return [&, task](std::size_t i) {
      StopObserver observer(stop, fault.kind == TestFault::Kind::kThrow && fault.pair == i);
      try {
        task(i, observer);
      } catch (const RunStopped&) {
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        throw std::runtime_error("pair " + label(i) + ": " + e.what());
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
