#pragma once
// Lets a Python user stop a long computation with Ctrl-C. The library computes with the GIL
// released, so Python's own handler cannot raise KeyboardInterrupt meanwhile; the library's stop
// hooks (an Observer's progress, a batch's or a plan's progress) ask requested() instead, which
// at most every kInterval takes the GIL back for a moment and lets Python run its signal
// handlers. When one raises (Ctrl-C: KeyboardInterrupt), the computation is stopped through the
// hook (a stop flag, or Interrupted thrown through the library, which owns its state as values
// and unwinds cleanly), and rethrow() hands the exception to Python once the library is done.
// Only the thread that made the Interrupt looks (Python runs signal handlers on the main thread
// only); other threads' calls return what it found.

#include <pybind11/pybind11.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

// Thrown through the library from a stop hook when requested() became true.
struct Interrupted {};

class Interrupt {
 public:
  // `progress`: None, or a Python callable given one line of text (what the run has done so far)
  // at the same moments. Made with the GIL held.
  explicit Interrupt(pybind11::object progress = pybind11::none());
  ~Interrupt();
  Interrupt(const Interrupt&) = delete;
  Interrupt& operator=(const Interrupt&) = delete;

  // True once a Python signal handler raised. `progress_text` makes the line for the progress
  // callable (called only when there is one and it is time). Call with the GIL released.
  bool requested(const std::function<std::string()>& progress_text = {});
  // With the GIL held: throws the exception a signal handler (or the progress callable) raised,
  // if one did.
  void rethrow();

 private:
  // Short enough for Ctrl-C to feel immediate, long enough to cost nothing measurable.
  static constexpr std::chrono::milliseconds kInterval{100};
  std::thread::id thread_;
  std::chrono::steady_clock::time_point next_;
  pybind11::object progress_;
  std::optional<pybind11::error_already_set> raised_;
};
