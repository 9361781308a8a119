// The ordered pool: deliveries in task order whatever the threads, a bounded window, exceptions
// in order, cancellation, and the same deliveries when threads cannot be started.

#include "kelvaro/ordered_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/failing_threads.h"

namespace kelvaro {
namespace {

// Tasks 0..count-1 whose results are i * i, computed slowly for some; records the deliveries.
struct Squares {
  std::size_t count = 200;
  std::size_t throw_at = static_cast<std::size_t>(-1);  // a task that throws
  std::vector<std::size_t> results = std::vector<std::size_t>(count);
  std::vector<std::size_t> delivered;
  std::atomic<std::size_t> claimed{0};
  std::size_t most_ahead = 0;  // the most tasks claimed beyond the deliveries

  OrderedWork work(std::size_t window) {
    OrderedWork w;
    w.window = window;
    w.claim = [this](std::size_t i) {
      if (i >= count) return false;
      claimed = i + 1;
      return true;
    };
    w.make_worker = [this]() -> std::function<void(std::size_t)> {
      return [this](std::size_t i) {
        if (i == throw_at) throw std::runtime_error("task " + std::to_string(i));
        if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        results[i] = i * i;
      };
    };
    w.deliver = [this](std::size_t i) {
      most_ahead = std::max(most_ahead, claimed - delivered.size());
      EXPECT_EQ(results[i], i * i);
      delivered.push_back(i);
    };
    return w;
  }
};

std::vector<std::size_t> in_order(std::size_t n) {
  std::vector<std::size_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = i;
  return v;
}

TEST(OrderedPool, DeliversInTaskOrderOnAnyNumberOfThreads) {
  for (const bool caller : {false, true}) {
    for (const int threads : {0, 1, 2, 5}) {
      for (const std::size_t window : {std::size_t{0}, std::size_t{1}, std::size_t{8}}) {
        // Delivered together: 4 within the window, 16 beyond it (woken when it is full) or
        // without one (woken when the tasks end).
        for (const std::size_t together : {std::size_t{1}, std::size_t{4}, std::size_t{16}}) {
          SCOPED_TRACE(std::to_string(threads) + " threads, window " + std::to_string(window) +
                       ", together " + std::to_string(together) +
                       (caller ? ", the calling thread computing" : ""));
          Squares s;
          OrderedPool pool(threads);
          OrderedWork work = s.work(window);
          work.deliver_together = together;
          work.caller_computes = caller;
          // No timed wake-up to hide a lost one: a wake-up missed hangs the run.
          work.check = std::chrono::hours(1);
          EXPECT_TRUE(pool.run(work));
          EXPECT_EQ(s.delivered, in_order(s.count));
          EXPECT_EQ(pool.threads_used(), caller ? threads + 1 : std::max(threads, 1));
          if (window > 0) {
            EXPECT_LE(s.most_ahead, window);
          }
        }
      }
    }
  }
}

TEST(OrderedPool, TheCallingThreadComputesBesideTheWorkers) {
  // The worker's tasks wait (a few seconds in all at most) for the calling thread to have
  // computed one: only a calling thread that takes tasks lets them go at once.
  Squares s;
  const std::thread::id caller = std::this_thread::get_id();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::atomic<int> on_caller{0};
  OrderedWork work = s.work(8);
  work.deliver_together = 4;
  work.caller_computes = true;
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    return [&](std::size_t i) {
      if (std::this_thread::get_id() == caller) {
        ++on_caller;
      } else {
        while (on_caller == 0 && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
      }
      s.results[i] = i * i;
    };
  };
  OrderedPool pool(1);
  EXPECT_TRUE(pool.run(work));
  EXPECT_EQ(s.delivered, in_order(s.count));
  EXPECT_GT(on_caller, 0);
  EXPECT_EQ(pool.threads_used(), 2);
}

TEST(OrderedPool, ThreadsThatCannotStartLeaveTheDeliveriesAsTheyWere) {
  // The factory starts `limit` threads of the 4 asked for: half of them (rounded up) work, to
  // leave the system room; 0 leaves the calling thread alone.
  // A calling thread that computes too is counted beside them.
  for (const bool caller : {false, true}) {
    for (const int limit : {0, 1, 3}) {
      SCOPED_TRACE(std::to_string(limit) + (caller ? ", the calling thread computing" : ""));
      Squares s;
      int told = 0;
      OrderedWork work = s.work(4);
      work.caller_computes = caller;
      work.started = [&](int used) { told = used; };
      OrderedPool pool(4, testing::threads_failing_after(limit));
      EXPECT_TRUE(pool.run(work));
      EXPECT_EQ(s.delivered, in_order(s.count));
      const int working = limit - limit / 2;
      const int used = caller ? working + 1 : std::max(1, working);
      EXPECT_EQ(pool.threads_used(), used);
      EXPECT_EQ(told, used);
    }
  }
}

TEST(OrderedPool, ATaskExceptionComesInItsTurn) {
  for (const auto& [threads, caller] : {std::pair{0, false}, {3, false}, {1, true}, {3, true}}) {
    SCOPED_TRACE(std::to_string(threads) + (caller ? ", the calling thread computing" : ""));
    Squares s;
    s.throw_at = 57;
    OrderedPool pool(threads);
    OrderedWork work = s.work(8);
    work.caller_computes = caller;
    try {
      pool.run(work);
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "task 57");
    }
    EXPECT_EQ(s.delivered, in_order(57));  // everything before it, nothing after
  }
}

TEST(OrderedPool, AWorkerOutOfMemoryLeavesTheRestToTheCallingThread) {
  // Task 57 runs out of memory on a worker (once): the workers stop and the calling thread
  // computes it again, and every task after it, alone. On the calling thread it is an error.
  for (const int threads : {0, 3}) {
    SCOPED_TRACE(threads);
    Squares s;
    std::atomic<int> failures{0};
    const std::thread::id caller = std::this_thread::get_id();
    OrderedWork work = s.work(8);
    work.make_worker = [&]() -> std::function<void(std::size_t)> {
      return [&](std::size_t i) {
        if (i == 57 && std::this_thread::get_id() != caller && failures++ == 0) {
          throw std::bad_alloc();
        }
        s.results[i] = i * i;
      };
    };
    if (threads == 0) {
      work.make_worker = [&]() -> std::function<void(std::size_t)> {
        return [&](std::size_t i) {
          if (i == 57) throw std::bad_alloc();
          s.results[i] = i * i;
        };
      };
      EXPECT_THROW(OrderedPool(threads).run(work), std::bad_alloc);
      continue;
    }
    EXPECT_TRUE(OrderedPool(threads).run(work));
    EXPECT_EQ(s.delivered, in_order(s.count));
    EXPECT_EQ(failures, 1);
  }
}

TEST(OrderedPool, CancelsWhenGoOnSaysStopOrDeliverThrows) {
  for (const auto& [threads, caller] : {std::pair{0, false}, {2, false}, {1, true}}) {
    SCOPED_TRACE(std::to_string(threads) + (caller ? ", the calling thread computing" : ""));
    Squares stopped;
    OrderedWork work = stopped.work(4);
    work.caller_computes = caller;
    work.go_on = [&] { return stopped.delivered.size() < 10; };
    EXPECT_FALSE(OrderedPool(threads).run(work));
    EXPECT_EQ(stopped.delivered, in_order(10));

    Squares thrown;
    work = thrown.work(0);
    work.caller_computes = caller;
    work.deliver = [](std::size_t i) {
      if (i == 3) throw std::logic_error("deliver");
    };
    EXPECT_THROW(OrderedPool(threads).run(work), std::logic_error);
  }
}

TEST(OrderedPool, TheCallingThreadRunningOutOfMemoryLeavesItTheRest) {
  // The calling thread's task function cannot be made (memory), or fails otherwise: the run
  // ends as a worker's would, every task delivered or the error thrown.
  for (const bool out_of_memory : {true, false}) {
    SCOPED_TRACE(out_of_memory);
    Squares s;
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> refused{0};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    OrderedWork work = s.work(8);
    work.caller_computes = true;
    const auto make = work.make_worker;
    work.make_worker = [&, make]() -> std::function<void(std::size_t)> {
      if (std::this_thread::get_id() == caller && refused++ == 0) {
        if (out_of_memory) throw std::bad_alloc();
        throw std::runtime_error("no worker");
      }
      // The workers' tasks wait (a few seconds in all at most) for the calling thread's attempt.
      return [&, task = make()](std::size_t i) {
        while (refused == 0 && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        task(i);
      };
    };
    if (out_of_memory) {
      EXPECT_TRUE(OrderedPool(2).run(work));
      EXPECT_EQ(s.delivered, in_order(s.count));
    } else {
      EXPECT_THROW(OrderedPool(2).run(work), std::runtime_error);
    }
    EXPECT_GE(refused, 1);
  }
}

TEST(OrderedPool, NoTasksIsACompleteRun) {
  Squares s;
  s.count = 0;
  EXPECT_TRUE(OrderedPool(2).run(s.work(0)));
  EXPECT_TRUE(s.delivered.empty());
}

TEST(OrderedPool, ShortOfThreadsTextSaysHowMany) {
  EXPECT_EQ(threads_short_text(300, 27, "the batch"),
            "could not start the 300 threads asked for: the batch goes on with 27 (the results "
            "are the same)");
}

}  // namespace
}  // namespace kelvaro
