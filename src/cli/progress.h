#pragma once
// What kelvaro shows on standard error while a bootstrap runs: a warning before a block whose
// planned draws exceed 10^10 (whatever standard error is), and, on a terminal, a progress line
// for a bootstrap that takes more than a few seconds, erased when the block is done.
//
//   kelvaro: warning: this run needs about 7.5e13 random draws (roughly 52 days here)
//   kelvaro: Sample 1: bootstrap replicate 1234 of 10000, about 3 min left

#include <chrono>
#include <cstdint>
#include <string>

#include "kelvaro/kelvaro.h"

namespace kelvaro::cli {

// "7.5e13": two significant digits in exponent form.
std::string draws_text(double draws);
// "52 days": a duration rounded to the nearest whole unit (seconds to days).
std::string duration_words(double seconds);
// "roughly 52 days": duration_words after "roughly ".
std::string duration_text(double seconds);

// Shows a run's warnings (one line each) and the progress of its bootstraps on standard error.
class ConsoleObserver final : public Observer {
 public:
  // fd: where lines go (standard error); terminal: whether it is a terminal (progress lines);
  // warn: whether to show warnings, including the announcement of very long blocks.
  ConsoleObserver(int fd, bool terminal, bool warn = true);
  ~ConsoleObserver() override;

  void warning(const Warning& w) override;
  void bootstrap_started(BlockNumber block, std::int32_t replicates, double planned_draws) override;
  void bootstrap_progress(BlockNumber block, std::int32_t replicates_done,
                          double draws_done) override;
  void bootstrap_finished(BlockNumber block) override;
  // Said whether or not warnings are shown: the run is slower than asked for.
  void threads_short(int asked, int used) override;

 private:
  using Clock = std::chrono::steady_clock;
  void write(const std::string& text);
  void erase();

  int fd_;
  bool terminal_;
  bool warn_;
  bool shown_ = false;
  std::int32_t replicates_ = 0;
  double planned_ = 0.0;
  double seconds_per_draw_ = 0.0;  // measured at the first announcement (0: not yet)
  Clock::time_point start_;
  Clock::time_point last_shown_;
};

}  // namespace kelvaro::cli
