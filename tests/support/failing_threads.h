#pragma once
// A thread factory that starts `limit` threads and then fails as the system does when it can
// start no more (std::system_error with EAGAIN): the fallback of kelvaro/ordered_pool.h tested
// without a real resource limit. The count is shared by every copy of the factory.

#include <atomic>
#include <cerrno>
#include <memory>
#include <system_error>
#include <thread>

#include "kelvaro/ordered_pool.h"

namespace kelvaro::testing {

inline ThreadFactory threads_failing_after(int limit) {
  auto started = std::make_shared<std::atomic<int>>(0);
  return [started, limit](std::function<void()> body) {
    if (started->fetch_add(1) >= limit) {
      throw std::system_error(EAGAIN, std::generic_category(), "thread");
    }
    return std::thread(std::move(body));
  };
}

}  // namespace kelvaro::testing
