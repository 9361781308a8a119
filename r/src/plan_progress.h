#pragma once
// What an R user sees of a planning run while it goes. At each of the engine's progress reports
// (about ten times a second, from the thread that called R) a pending interrupt (Ctrl-C, or Esc
// in a GUI) is looked for, and stops the run by throwing Rcpp's interrupt exception. When shown,
// a progress line on R's console is redrawn in place and erased when the run ends, however:
//   kelvaro_plan: [##########..........]  50%  1000 of 2000 surveys, about 4 s left

#include <chrono>
#include <cstddef>
#include <cstdint>

class PlanProgress {
 public:
  explicit PlanProgress(bool shown);
  ~PlanProgress();
  PlanProgress(const PlanProgress&) = delete;
  PlanProgress& operator=(const PlanProgress&) = delete;

  void update(std::int64_t done, std::int64_t total);

 private:
  bool shown_;
  std::size_t drawn_ = 0;  // characters of the line on the console
  std::chrono::steady_clock::time_point start_;
};
