#pragma once
// The one failure of kelvaro-prep: input that cannot become a kelvaro input, located by file,
// line and column (the CSV column, counted from 1; line 0 when the file itself cannot be read).
// The entry point prints it and exits with status 2.

#include <stdexcept>
#include <string>

namespace kelvaro::prep {

class InputError : public std::runtime_error {
 public:
  InputError(std::string file, long line, long column, const std::string& reason);

  const std::string& file() const { return file_; }
  long line() const { return line_; }
  long column() const { return column_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  long line_;
  long column_;
  std::string reason_;
};

}  // namespace kelvaro::prep
