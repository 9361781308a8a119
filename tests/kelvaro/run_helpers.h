#pragma once
// Runs whole reports in-process and splits them into lines for the driver's tests.

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/run.h"
#include "report_records.h"

namespace kelvaro::testing {

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

inline RunResult run_text(std::string_view input) {
  std::ostringstream out, err;
  const int status = run(input, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace kelvaro::testing
