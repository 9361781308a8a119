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

// The shared state of one run, under one mutex.
class Run {
 public:
  explicit Run(const OrderedWork& work) : work_(work) {}

  // A worker thread: takes tasks until there are none, or the run is cancelled.
  void work() {
    std::function<void(std::size_t)> task;
    try {
      task = work_.make_worker();
    } catch (...) {
      fail(std::current_exception());
      return;
    }
    while (const auto index = take()) {
      std::exception_ptr error;
      try {
        task(*index);
      } catch (...) {
        error = std::current_exception();
      }
      computed(*index, error);
    }
  }

  // The calling thread: delivers in order; false when go_on said stop. Throws what failed.
  bool deliver_all() {
    for (;;) {
      if (work_.go_on && !work_.go_on()) return false;
      std::unique_lock lock(mutex_);
      const bool ready = ready_.wait_for(lock, work_.check, [&] {
        return failure_ || (!pending_.empty() && pending_.front().computed) ||
               (exhausted_ && pending_.empty());
      });
      if (!ready) continue;
      if (failure_) std::rethrow_exception(failure_);
      if (pending_.empty()) return true;  // every task delivered
      const std::exception_ptr error = pending_.front().error;
      const std::size_t index = delivered_;
      lock.unlock();
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

  // No task is taken from now on; the workers finish the ones they hold.
  void cancel() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    room_.notify_all();
  }

 private:
  std::optional<std::size_t> take() {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] {
      return cancelled_ || exhausted_ || work_.window == 0 || next_ < delivered_ + work_.window;
    });
    if (cancelled_ || exhausted_) return std::nullopt;
    bool claimed = false;
    try {
      claimed = work_.claim(next_);
    } catch (...) {
      failure_ = std::current_exception();
      cancelled_ = true;
      lock.unlock();
      wake_all();
      return std::nullopt;
    }
    if (!claimed) {
      exhausted_ = true;
      lock.unlock();
      wake_all();
      return std::nullopt;
    }
    pending_.emplace_back();
    return next_++;
  }

  void computed(std::size_t index, std::exception_ptr error) {
    std::unique_lock lock(mutex_);
    Pending& p = pending_[index - delivered_];
    p.computed = true;
    p.error = error;
    // Nothing after a failed task is needed: its exception ends the run when its turn comes.
    if (error) exhausted_ = true;
    const bool wake = index == delivered_ || error;
    lock.unlock();
    if (wake) wake_all();
  }

  void fail(std::exception_ptr error) {
    {
      std::lock_guard lock(mutex_);
      if (!failure_) failure_ = error;
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
  std::deque<Pending> pending_;    // tasks delivered_ .. next_ - 1
  std::size_t next_ = 0;
  std::size_t delivered_ = 0;
  bool exhausted_ = false;  // no task after next_ - 1
  bool cancelled_ = false;
  std::exception_ptr failure_;  // from claim or make_worker: the run fails at once
};

// The workers of a run, cancelled and joined however the run ends.
class Workers {
 public:
  explicit Workers(Run& run) : run_(run) {}
  ~Workers() {
    run_.cancel();
    for (std::thread& t : threads_) t.join();
  }
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  bool none() const { return threads_.empty(); }

  // Starts up to `count` threads; stops at the first that cannot be started. Returns how many run.
  int start(int count, const ThreadFactory& factory) {
    threads_.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
      try {
        threads_.push_back(factory([this] { run_.work(); }));
      } catch (const std::system_error&) {
        break;
      } catch (const std::bad_alloc&) {
        break;
      }
    }
    return static_cast<int>(threads_.size());
  }

 private:
  Run& run_;
  std::vector<std::thread> threads_;
};

// No worker: each task computed and delivered in turn on the calling thread.
bool run_in_turn(const OrderedWork& work) {
  const std::function<void(std::size_t)> task = work.make_worker();
  for (std::size_t i = 0;; ++i) {
    if (work.go_on && !work.go_on()) return false;
    if (!work.claim(i)) return true;
    task(i);
    work.deliver(i);
  }
}

}  // namespace

std::string threads_short_text(int asked, int used, std::string_view work) {
  return "could start only " + std::to_string(used) + " of the " +
         std::to_string(asked) + " threads asked for: " + std::string(work) + " goes on with " +
         std::to_string(used) + " (the results are the same)";
}

std::thread start_thread(std::function<void()> body) { return std::thread(std::move(body)); }

bool OrderedPool::run(const OrderedWork& work) {
  used_ = 1;
  if (threads_ <= 0) {
    if (work.started) work.started(used_);
    return run_in_turn(work);
  }
  Run run(work);
  Workers workers(run);
  used_ = std::max(1, workers.start(threads_, factory_));
  if (work.started) work.started(used_);
  if (workers.none()) return run_in_turn(work);
  try {
    return run.deliver_all();
  } catch (...) {
    run.cancel();
    throw;
  }
}

}  // namespace kelvaro
