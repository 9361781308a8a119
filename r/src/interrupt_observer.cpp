#include "interrupt_observer.h"

#include <Rcpp.h>

InterruptObserver::InterruptObserver()
    : r_thread_(std::this_thread::get_id()),
      next_check_(std::chrono::steady_clock::now() + kCheckInterval) {}

void InterruptObserver::bootstrap_progress(kelvaro::BlockNumber /*block*/,
                                           std::int32_t /*replicates_done*/,
                                           double /*draws_done*/) {
  if (std::this_thread::get_id() != r_thread_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_check_) return;
  next_check_ = now + kCheckInterval;
  Rcpp::checkUserInterrupt();  // throws Rcpp::internal::InterruptedException
}
