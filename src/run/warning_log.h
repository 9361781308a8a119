#pragma once
// The warnings of one run, in the order they arose. Each is handed to the run's observer as it
// arises, so that a long run shows its warnings before it ends.

#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

class WarningLog {
 public:
  explicit WarningLog(Observer* observer = nullptr) : observer_(observer) {}
  void add(WarningKind kind, std::string block, std::int64_t line, std::string text);
  std::vector<Warning> take() { return std::move(warnings_); }

 private:
  Observer* observer_;
  std::vector<Warning> warnings_;
};

}  // namespace kelvaro
