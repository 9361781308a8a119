#pragma once
// The one failure of kelvaro-tidy: a report it cannot take, with the number of the report line
// (from 1) at which recognition stopped and why. Three kinds, because each asks something
// different of the user: text that is not what kelvaro prints there; a report that stops before
// kelvaro's end of a complete run (kelvaro failed, or the file was cut); and a file that is not
// a report at all but kelvaro's input or a CSV table.

#include <stdexcept>
#include <string>

namespace kelvaro::tidy {

class ReportError : public std::runtime_error {
 public:
  enum class Kind { kUnexpected, kIncomplete, kOtherFile };

  // kUnexpected: "line 7: <reason>". kIncomplete: "line 7: the report is incomplete (did
  // kelvaro fail? check its exit status): <reason>". kOtherFile: "<reason>".
  ReportError(long line, const std::string& reason, Kind kind = Kind::kUnexpected)
      : std::runtime_error(message(line, reason, kind)),
        line_(line),
        kind_(kind),
        reason_(reason) {}

  long line() const { return line_; }
  Kind kind() const { return kind_; }
  const std::string& reason() const { return reason_; }

 private:
  static std::string message(long line, const std::string& reason, Kind kind) {
    if (kind == Kind::kOtherFile) return reason;
    const std::string at = "line " + std::to_string(line) + ": ";
    if (kind == Kind::kUnexpected) return at + reason;
    return at + "the report is incomplete (did kelvaro fail? check its exit status): " + reason;
  }

  long line_;
  Kind kind_;
  std::string reason_;
};

}  // namespace kelvaro::tidy
