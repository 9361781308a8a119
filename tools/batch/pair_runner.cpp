#include "batch/pair_runner.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace kelvaro::batch {
namespace {

struct Slot {
  bool filled = false;
  PairOutcome outcome;
  std::exception_ptr error;
};

// The pairs' queue and the finished outcomes awaiting hand-over, shared under one mutex.
class OrderedWork {
 public:
  OrderedWork(std::size_t pairs, std::size_t window) : pairs_(pairs), slots_(window) {}

  // The next pair for a worker, or nullopt when there is none or the work was cancelled.
  // The threads are woken only when one waits, so that a pair costs no system call while
  // everyone is busy.
  std::optional<std::size_t> take() {
    std::unique_lock lock(mutex_);
    ++workers_waiting_;
    room_.wait(lock,
               [&] { return cancelled_ || next_ >= pairs_ || next_ < handed_ + slots_.size(); });
    --workers_waiting_;
    if (cancelled_ || next_ >= pairs_) return std::nullopt;
    return next_++;
  }

  void finish(std::size_t index, PairOutcome&& outcome, std::exception_ptr error) {
    std::unique_lock lock(mutex_);
    Slot& s = slots_[index % slots_.size()];
    s.outcome = std::move(outcome);
    s.error = error;
    s.filled = true;
    const bool wake = awaited_ == index;
    lock.unlock();
    if (wake) ready_.notify_one();
  }

  // Waits for the outcome of pair `index` (the next to hand over); nullopt when `stop` is set.
  std::optional<Slot> receive(std::size_t index, const std::atomic<bool>& stop) {
    std::unique_lock lock(mutex_);
    Slot& s = slots_[index % slots_.size()];
    awaited_ = index;
    while (!s.filled) {
      if (stop) return std::nullopt;
      ready_.wait_for(lock, kStopCheck);
    }
    awaited_ = kNone;
    Slot taken = std::move(s);
    s = Slot{};
    handed_over(index, lock);
    return taken;
  }

  // Marks pair `index`, analysed before, as handed over.
  void skip(std::size_t index) {
    std::unique_lock lock(mutex_);
    handed_over(index, lock);
  }

  void cancel() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    room_.notify_all();
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void handed_over(std::size_t index, std::unique_lock<std::mutex>& lock) {
    handed_ = index + 1;
    const bool wake = workers_waiting_ > 0;
    lock.unlock();
    if (wake) room_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable room_, ready_;
  std::size_t workers_waiting_ = 0;
  std::size_t awaited_ = kNone;  // the pair the calling thread waits for
  std::size_t pairs_;
  std::vector<Slot> slots_;
  std::size_t next_ = 0;    // the next pair to take
  std::size_t handed_ = 0;  // pairs handed over
  bool cancelled_ = false;
};

// Worker threads, cancelled and joined however the scope is left.
class Workers {
 public:
  explicit Workers(OrderedWork& work) : work_(work) {}
  ~Workers() {
    work_.cancel();
    for (std::thread& t : threads_) t.join();
  }
  template <class Body>
  void start(Body body) {
    threads_.emplace_back(body);
  }

 private:
  OrderedWork& work_;
  std::vector<std::thread> threads_;
};

// One thread: each pair analysed and handed over in turn, with no other thread to wait for.
bool analyse_in_turn(const std::vector<PairInput>& pairs,
                     std::vector<std::optional<PairOutcome>>& done,
                     const AnalysisSettings& settings,
                     const std::function<void(std::size_t, PairOutcome&)>& deliver,
                     const std::atomic<bool>& stop) {
  PairAnalyst analyst(settings);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (stop) return false;
    PairOutcome outcome = done[i] ? std::move(*done[i]) : analyst.analyse(pairs[i]);
    done[i].reset();
    deliver(i, outcome);
  }
  return true;
}

}  // namespace

bool analyse_pairs(const std::vector<PairInput>& pairs,
                   std::vector<std::optional<PairOutcome>>& done, const AnalysisSettings& settings,
                   int threads, const std::function<void(std::size_t, PairOutcome&)>& deliver,
                   const std::atomic<bool>& stop) {
  if (threads == 1) return analyse_in_turn(pairs, done, settings, deliver, stop);
  // Read by the workers while `done` is emptied: a copy of which entries were there.
  std::vector<bool> before(done.size());
  for (std::size_t i = 0; i < done.size(); ++i) before[i] = done[i].has_value();
  OrderedWork work(pairs.size(), kWindowPerThread * static_cast<std::size_t>(threads));
  Workers workers(work);
  for (int t = 0; t < threads; ++t) {
    workers.start([&] {
      PairAnalyst analyst(settings);
      while (const std::optional<std::size_t> i = work.take()) {
        if (before[*i]) continue;  // handed over as it is, below
        std::exception_ptr error;
        PairOutcome outcome = analyst.analyse(pairs[*i], error);
        work.finish(*i, std::move(outcome), error);
      }
    });
  }
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (before[i]) {
      PairOutcome outcome = std::move(*done[i]);
      done[i].reset();
      work.skip(i);
      deliver(i, outcome);
      if (stop) return false;
      continue;
    }
    std::optional<Slot> slot = work.receive(i, stop);
    if (!slot) return false;
    if (slot->error) std::rethrow_exception(slot->error);
    deliver(i, slot->outcome);
  }
  return true;
}

}  // namespace kelvaro::batch
