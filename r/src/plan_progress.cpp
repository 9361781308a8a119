#include "plan_progress.h"

#include <Rcpp.h>

#include <algorithm>
#include <string>

#include "kelvaro/planner.h"

PlanProgress::PlanProgress(bool shown) : shown_(shown), start_(std::chrono::steady_clock::now()) {}

PlanProgress::~PlanProgress() {
  if (drawn_ > 0) REprintf("\r%s\r", std::string(drawn_, ' ').c_str());
}

void PlanProgress::update(std::int64_t done, std::int64_t total) {
  Rcpp::checkUserInterrupt();  // throws Rcpp::internal::InterruptedException
  if (!shown_) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  std::string line = "kelvaro_plan: " + kelvaro::plan::progress_text(done, total, elapsed.count());
  const std::size_t length = line.size();
  if (length < drawn_) line += std::string(drawn_ - length, ' ');  // over the longer line drawn
  REprintf("\r%s", line.c_str());
  drawn_ = std::max(drawn_, length);
}
