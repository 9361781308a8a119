#pragma once
// The progress bar kelvaro-plan shows on a terminal while surveys are simulated and analysed,
// redrawn in place and erased at the end:
//   kelvaro-plan: [##########..........]  50%  1000 of 2000 surveys, about 4 s left

#include <chrono>
#include <cstdint>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

class ProgressBar {
 public:
  // fd: where it is drawn; shown: false draws nothing (not a terminal, or --quiet).
  ProgressBar(int fd, bool shown);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(std::int64_t done, std::int64_t total);
  void erase();

 private:
  int fd_;
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace kelvaro::plan
