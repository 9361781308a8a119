#pragma once
// Splits report text into its records, without their CR LF. Text after the last CR LF comes back
// as one marker record, so that a test comparing records sees it.

#include <string>
#include <vector>

namespace kelvaro::testing {

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
