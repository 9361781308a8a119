#pragma once
// Runs whole reports in-process and splits them into lines for the driver's tests.

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/run.h"

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

// The report's records without their CR LF. Fails (returns a marker line) on a bare LF.
inline std::vector<std::string> records(const std::string& out) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<<unterminated: " + out.substr(start) + ">>");
      break;
    }
    lines.push_back(out.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace kelvaro::testing
