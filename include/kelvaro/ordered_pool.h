#pragma once
// An ordered worker pool: tasks 0, 1, 2, ... are computed on worker threads in any order and
// delivered on the calling thread in their order, so that what the caller makes of them is the
// same for every number of threads. The bootstrap's threaded draws, kelvaro-batch's pairs and
// kelvaro-plan's surveys all run on it.
//
// Threads are a resource, not a precondition: when a thread cannot be started (std::system_error
// for EAGAIN, std::bad_alloc under a memory limit), the system is at its limit, and the pool
// goes on with half of the threads it did start (rounded up), so that the run keeps room for
// its own memory; with none, the calling thread computes each task itself before delivering it.
// Memory is a resource too: when a worker runs out (std::bad_alloc), the workers are stopped and
// the calling thread computes the rest, from the first task not delivered, alone. The result is
// the same; threads_used() says how many threads were started to compute.
//
// Thread safety: a pool is used by one calling thread; its callbacks run as stated below.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace kelvaro {

// Starts a thread running `body`, or throws as std::thread does when it cannot. Tests inject a
// factory that fails after a number of threads.
using ThreadFactory = std::function<std::thread(std::function<void()> body)>;

// std::thread's own constructor.
std::thread start_thread(std::function<void()> body);

// What a program says (after its name) when a pool started fewer threads than asked for; `work`
// names the work, `used` is 1 when only the calling thread computes:
//   (300, 27, "the batch") -> "could not start the 300 threads asked for: the batch goes on with
//                              27 (the results are the same)"
std::string threads_short_text(int asked, int used, std::string_view work);

// What a run of the pool does. Only `claim`, `make_worker` and `deliver` are required.
struct OrderedWork {
  // Makes ready task `index` (0, 1, ... in turn) and says whether there is one; false ends the
  // tasks. Called under the pool's lock, on whichever thread takes the task: keep it short (the
  // next pair's input, say). Requires: once false, false for every later index.
  std::function<bool(std::size_t index)> claim;
  // Called once on each thread that computes (on the calling thread when no worker started, or
  // when it computes too);
  // returns that thread's task function, which computes task `index` and keeps its result where
  // deliver(index) finds it. It may keep state of its own (an estimator, an analyst). Its
  // exceptions are delivered in order: the run rethrows the first one when its turn comes.
  // Requires: a task computed again (after a worker ran out of memory) gives the same result.
  std::function<std::function<void(std::size_t index)>()> make_worker;
  // Called on the calling thread for index 0, 1, ... in turn, each once its task is computed.
  std::function<void(std::size_t index)> deliver;
  // Called on the calling thread before each delivery and at least every `check` while it waits;
  // false cancels the run (run() returns false). Keep it cheap.
  std::function<bool()> go_on;
  std::chrono::milliseconds check{100};
  // Told on the calling thread, once the threads are started and before any delivery, how many
  // compute (threads_used()): a program says so when it is fewer than it asked for.
  std::function<void(int threads)> started;
  // Tasks computed ahead of the last delivery: task i is not claimed before deliver(i - window)
  // has returned, so a caller may keep inputs and results in a ring of `window` slots. 0: no
  // bound.
  std::size_t window = 0;
  // The calling thread, waiting, is woken once this many tasks in a row from the next to deliver
  // are computed (or sooner: the window is full, the tasks ended, one failed), and delivers them
  // together: fewer wake-ups where tasks are short and many. 1: at each task.
  std::size_t deliver_together = 1;
  // Whether the calling thread computes tasks too: while the next task to deliver is not yet
  // computed and a task can be taken (the window has room, the tasks have not ended), it takes
  // and computes one itself (its own make_worker function, made when it first takes one), so
  // that `threads` workers and the calling thread compute side by side. Meant for work whose
  // deliveries are light beside its tasks. false: the calling thread only delivers.
  bool caller_computes = false;
};

class OrderedPool {
 public:
  // `threads`: worker threads to start (0: the calling thread computes every task in turn).
  explicit OrderedPool(int threads, ThreadFactory factory = start_thread)
      : threads_(threads), factory_(std::move(factory)) {}

  // Runs the work to its end; true when every task was delivered, false when go_on said stop.
  // An exception from a callback, or the first one from a task in task order, cancels the tasks
  // not yet taken, waits for the workers to finish the ones they hold, and is rethrown here.
  // Nothing of the run outlives the call.
  bool run(const OrderedWork& work);

  // Threads that computed in the last run: the workers asked for; half of those that started
  // when some could not be; 1 (the calling thread) when none could. With caller_computes, the
  // calling thread is counted too (the workers that work + 1).
  int threads_used() const { return used_; }

 private:
  int threads_;
  ThreadFactory factory_;
  int used_ = 0;
};

}  // namespace kelvaro
