#include "kelvaro/ordered_pool.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kelvaro {
namespace {

// A task taken and not yet delivered.
struct Pending {
  bool computed = false;
  std::exception_ptr error;
};

bool is_out_of_memory(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return true;
  } catch (...) {
    return false;
  }
}

// How the calling thread's deliveries ended.
enum class Delivered { kAll, kStopped, kOutOfMemory };

// The shared state of one run, under one mutex.
class Run {
 public:
  explicit Run(const OrderedWork& work) : work_(work) {}

  // A worker thread: takes tasks until there are none, or the run is cancelled. Memory that
  // runs out in a task, or before one, leaves the rest of the run to the calling thread.
  void work() {
    try {
      const std::function<void(std::size_t)> task = work_.make_worker();
      while (const auto index = take()) {
        std::exception_ptr error;
        try {
          task(*index);
        } catch (...) {
          error = std::current_exception();
        }
        computed(*index, error);
      }
    } catch (const std::bad_alloc&) {
      fail({}, true);
    } catch (...) {
      fail(std::current_exception(), false);
    }
  }

  // The calling thread: delivers in order (with caller_computes, computing tasks while the next
  // one is not ready). Throws a task's exception when its turn comes.
  Delivered deliver_all() {
    for (;;) {
      if (work_.go_on && !work_.go_on()) return Delivered::kStopped;
      std::unique_lock lock(mutex_);
      if (work_.caller_computes && !next_ready() && can_take()) {
        lock.unlock();
        compute_on_caller();
        continue;
      }
      const bool ready = ready_.wait_for(lock, work_.check, [&] { return next_ready(); });
      if (!ready) continue;
      if (failure_) std::rethrow_exception(failure_);
      if (out_of_memory_) return Delivered::kOutOfMemory;
      if (pending_.empty()) return Delivered::kAll;
      const std::exception_ptr error = pending_.front().error;
      const std::size_t index = delivered_;
      lock.unlock();
      if (error && is_out_of_memory(error)) return Delivered::kOutOfMemory;
      if (error) std::rethrow_exception(error);
      work_.deliver(index);
      // Only now may task index + window be claimed: its slot is free.
      lock.lock();
      pending_.pop_front();
      ++delivered_;
      lock.unlock();
      room_.notify_all();
    }
  }

  // Once the workers are gone: the tasks from the next delivery on, each computed (again, when
  // a worker did not finish it) and delivered on the calling thread. False when go_on said stop.
  bool finish_in_turn() {
    const std::function<void(std::size_t)>& task = caller_task();
    for (;; ++delivered_) {
      if (work_.go_on && !work_.go_on()) return false;
      const std::size_t index = delivered_;
      if (!pending_.empty()) {  // taken before: its input is ready
        if (!pending_.front().computed || pending_.front().error) task(index);
        pending_.pop_front();
      } else {
        if (ended_ || !work_.claim(index)) return true;
        task(index);
      }
      work_.deliver(index);
    }
  }

  // No task is taken from now on; the workers finish the ones they hold.
  void cancel() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    room_.notify_all();
  }

 private:
  // The calling thread's task function, made when it is first needed.
  const std::function<void(std::size_t)>& caller_task() {
    if (!caller_task_) caller_task_ = work_.make_worker();
    return caller_task_;
  }

  // Whether the calling thread has something to do other than compute: a delivery, or the end
  // of the run. Requires: the lock held.
  bool next_ready() const {
    return failure_ || out_of_memory_ || (!pending_.empty() && pending_.front().computed) ||
           (ended_ && pending_.empty());
  }

  // Whether a task may be taken now. Requires: the lock held.
  bool can_take() const {
    return !cancelled_ && !ended_ && !failed_task_ &&
           (work_.window == 0 || pending_.size() < work_.window);
  }

  // The calling thread takes a task and computes it, as a worker would: memory that runs out
  // before the task leaves the rest of the run to finish_in_turn, another exception from
  // make_worker fails the run.
  void compute_on_caller() {
    std::optional<std::size_t> index;
    try {
      caller_task();
      std::unique_lock lock(mutex_);
      index = claim_next(lock);
    } catch (const std::bad_alloc&) {
      fail({}, true);
      return;
    } catch (...) {
      fail(std::current_exception(), false);
      return;
    }
    if (!index) return;
    std::exception_ptr error;
    try {
      caller_task_(*index);
    } catch (...) {
      error = std::current_exception();
    }
    computed(*index, error);
  }

  std::optional<std::size_t> take() {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] {
      return cancelled_ || ended_ || failed_task_ || work_.window == 0 ||
             pending_.size() < work_.window;
    });
    return claim_next(lock);
  }

  // Claims the next task when one may be taken. Requires: `lock` holds the mutex; it is
  // released when the tasks end or claim fails.
  std::optional<std::size_t> claim_next(std::unique_lock<std::mutex>& lock) {
    if (!can_take()) return std::nullopt;
    pending_.emplace_back();  // first: running out of memory here loses no claimed task
    bool claimed = false;
    try {
      claimed = work_.claim(delivered_ + pending_.size() - 1);
    } catch (...) {
      pending_.pop_back();
      failure_ = std::current_exception();
      cancelled_ = true;
      lock.unlock();
      wake_all();
      return std::nullopt;
    }
    if (!claimed) {
      pending_.pop_back();
      ended_ = true;
      lock.unlock();
      wake_all();
      return std::nullopt;
    }
    return delivered_ + pending_.size() - 1;
  }

  void computed(std::size_t index, std::exception_ptr error) {
    std::unique_lock lock(mutex_);
    Pending& p = pending_[index - delivered_];
    p.computed = true;
    p.error = error;
    // Nothing after a failed task is needed now: its exception ends the run when its turn comes.
    if (error) failed_task_ = true;
    const bool wake = error || (pending_.front().computed && enough_to_deliver());
    lock.unlock();
    if (wake) wake_all();
  }

  // Whether the tasks computed from the next to deliver on are worth waking the calling thread
  // for. Requires: the lock held, the next task computed.
  bool enough_to_deliver() const {
    if (work_.deliver_together <= 1 || ended_ || cancelled_) return true;
    if (work_.window != 0 && pending_.size() >= work_.window) return true;  // no room left
    std::size_t ready = 0;
    while (ready < pending_.size() && pending_[ready].computed) ++ready;
    return ready >= work_.deliver_together;
  }

  void fail(std::exception_ptr error, bool out_of_memory) {
    {
      std::lock_guard lock(mutex_);
      if (out_of_memory) out_of_memory_ = true;
      if (error && !failure_) failure_ = error;
      cancelled_ = true;
    }
    wake_all();
  }

  void wake_all() {
    ready_.notify_all();
    room_.notify_all();
  }

  const OrderedWork& work_;
  std::mutex mutex_;
  std::condition_variable room_;   // workers wait for a task to take
  std::condition_variable ready_;  // the calling thread waits for the next task in order
  std::deque<Pending> pending_;    // tasks delivered_ .. delivered_ + size() - 1, taken
  std::size_t delivered_ = 0;
  bool ended_ = false;        // claim said there are no more tasks
  bool failed_task_ = false;  // a task failed: take no more
  bool cancelled_ = false;
  bool out_of_memory_ = false;  // a worker ran out of memory outside a task
  std::exception_ptr failure_;  // from claim or make_worker: the run fails at once
  std::function<void(std::size_t)> caller_task_;  // the calling thread's, once made
};

// The workers of a run, cancelled and joined however the run ends. The threads wait at a gate
// until every one that could be started is; when one could not be, the system is at its limit
// (threads, or memory for their stacks), and half of them are let go at once, so that the run
// has room left for its own memory.
class Workers {
 public:
  explicit Workers(Run& run) : run_(run) {}
  ~Workers() { stop(); }
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // Starts up to `count` threads and returns how many work: `count`, or half of those started
  // (rounded up) when one could not be started.
  int start(int count, const ThreadFactory& factory) {
    threads_.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
      try {
        threads_.push_back(factory([this, k] {
          if (pass_gate(k)) run_.work();
        }));
      } catch (const std::system_error&) {
        break;
      } catch (const std::bad_alloc&) {
        break;
      }
    }
    const int started = static_cast<int>(threads_.size());
    const int kept = started == count ? started : started - started / 2;
    open_gate(kept);
    // Those let go end now, and their stacks with them.
    for (int k = kept; k < started; ++k) threads_[static_cast<std::size_t>(k)].join();
    threads_.resize(static_cast<std::size_t>(kept));
    return kept;
  }

  // Cancels the run and joins every thread.
  void stop() {
    open_gate(0);  // a thread still at the gate goes
    run_.cancel();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  // Lets threads 0 .. kept - 1 through; the others go.
  void open_gate(int kept) {
    {
      std::lock_guard lock(gate_mutex_);
      if (kept_ >= 0) return;
      kept_ = kept;
    }
    gate_.notify_all();
  }

  bool pass_gate(int k) {
    std::unique_lock lock(gate_mutex_);
    gate_.wait(lock, [&] { return kept_ >= 0; });
    return k < kept_;
  }

  Run& run_;
  std::vector<std::thread> threads_;
  std::mutex gate_mutex_;
  std::condition_variable gate_;
  int kept_ = -1;  // threads let through the gate; -1 while it is shut
};

}  // namespace

std::string threads_short_text(int asked, int used, std::string_view work) {
  return "could not start the " + std::to_string(asked) +
         " threads asked for: " + std::string(work) + " goes on with " + std::to_string(used) +
         " (the results are the same)";
}

std::thread start_thread(std::function<void()> body) { return std::thread(std::move(body)); }

bool OrderedPool::run(const OrderedWork& work) {
  used_ = 1;
  Run run(work);
  Workers workers(run);
  const int working = threads_ > 0 ? workers.start(threads_, factory_) : 0;
  used_ = work.caller_computes ? working + 1 : std::max(1, working);
  if (work.started) work.started(used_);
  if (working > 0) {
    Delivered delivered;
    try {
      delivered = run.deliver_all();
    } catch (...) {
      workers.stop();
      throw;
    }
    if (delivered != Delivered::kOutOfMemory) return delivered == Delivered::kAll;
    workers.stop();  // their stacks and tasks' memory freed, the calling thread goes on alone
  }
  return run.finish_in_turn();
}

}  // namespace kelvaro
