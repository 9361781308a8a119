#pragma once
// The refusal of a table: input that cannot become a kelvaro input, located by file, separator,
// line and column (the CSV column, counted from 1), with a reason that says what to do. The
// programs print it after their name and exit with status 2.
//
//   {"plots.csv", ';', 4, 2, "..."}  ->  "plots.csv (semicolon-separated), line 4, column 2: ..."
//   {"plots.csv", 0, 0, 0, "..."}    ->  "plots.csv: ..."   (no line: the file as a whole)

#include <stdexcept>
#include <string>

namespace kelvaro::csv {

class InputError : public std::runtime_error {
 public:
  // `separator` 0: not known or not relevant (left out of the message).
  InputError(std::string file, long line, long column, const std::string& reason,
             char separator = 0);

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

}  // namespace kelvaro::csv
