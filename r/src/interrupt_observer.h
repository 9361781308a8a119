#pragma once
// Lets the user stop a long run from R (Ctrl-C, or Esc in a GUI). The library reports a block's
// bootstrap progress after every replicate; at most every kCheckInterval this observer asks R
// whether an interrupt is pending and, if so, throws Rcpp's interrupt exception, which unwinds
// the run (every run owns its state as values) and becomes an R interrupt at the entry point.
// R is asked only from the thread that started the run: R may not be called from any other.

#include <chrono>
#include <thread>

#include "kelvaro/kelvaro.h"

class InterruptObserver final : public kelvaro::Observer {
 public:
  InterruptObserver();
  void bootstrap_progress(kelvaro::BlockNumber block, std::int32_t replicates_done,
                          double draws_done) override;

 private:
  // Short enough for Ctrl-C to feel immediate, long enough to cost nothing measurable.
  static constexpr std::chrono::milliseconds kCheckInterval{100};
  std::thread::id r_thread_;
  std::chrono::steady_clock::time_point next_check_;
};
