#pragma once
// The one failure of kelvaro-tidy: a report it cannot recognise, with the number of the report
// line (from 1) at which recognition stopped and what was expected there.

#include <stdexcept>
#include <string>

namespace kelvaro::tidy {

class ReportError : public std::runtime_error {
 public:
  ReportError(long line, const std::string& reason)
      : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line) {}
  long line() const { return line_; }

 private:
  long line_;
};

}  // namespace kelvaro::tidy
