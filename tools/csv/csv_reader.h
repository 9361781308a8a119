#pragma once
// CSV read as a stream of rows, each tagged with the file line on which it begins. RFC 4180
// quoting (quoted fields may hold separators, doubled quotes and line ends); the separator is
// given or found in the header row (dialect.h). LF, CR LF and CR alone all end a line, so line
// numbers are right for files from any system; a UTF-8 byte-order mark at the start is skipped;
// empty lines are skipped; unquoted fields lose surrounding blanks (and tabs, unless the tab is
// the separator). Memory holds one chunk of the file and the current row, whatever the file's
// size; a row may be at most kMaxRowBytes long.
//
//   "a,\"b,c\"\r\n1,\"x\"\"y\"\n"  ->  {line 1: a | b,c}, {line 2: 1 | x"y}
//   "a;b\r1;2,5\r"                 ->  {line 1: a | b}, {line 2: 1 | 2,5}     (separator ';')

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_source.h"
#include "csv/input_error.h"

namespace kelvaro::csv {

// No detection table has rows this long (a header of 100,000 species names takes about 2 MiB);
// the bound keeps a file without line ends (or /dev/zero) from taking all memory.
inline constexpr std::size_t kMaxRowBytes = 16 * 1024 * 1024;

// One row: its fields' text kept in one buffer.
class CsvRow {
 public:
  long line() const { return line_; }
  std::size_t size() const { return ends_.size(); }
  // Requires: i < size().
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  // True when every field is empty (a spreadsheet's ",,," filler line).
  bool blank() const { return text_.empty(); }
  std::vector<std::string> fields() const;

 private:
  friend class CsvReader;
  long line_ = 0;
  std::string text_;
  std::vector<std::uint32_t> ends_;
};

class CsvReader {
 public:
  // `separator` nullopt: found in the first row that is not empty. Reads that far.
  // Throws ReadError.
  CsvReader(tools::ByteSource& source, std::optional<char> separator);

  // The next row into `row`; false at the end of the input. Throws InputError for a quote inside
  // an unquoted field, text after a closing quote, a quoted field open at the end, a row longer
  // than kMaxRowBytes; ReadError when the input cannot be read.
  bool next(CsvRow& row);

  char separator() const { return separator_; }
  const std::string& file() const { return source_.name(); }
  // A refusal at a place of this file, naming its separator.
  InputError error(long line, long column, const std::string& reason) const {
    return InputError(file(), line, column, reason, separator_);
  }

 private:
  int get();
  bool refill();
  bool fill_to(std::size_t bytes);
  char find_separator();
  bool is_blank(int c) const { return c == ' ' || (c == '\t' && separator_ != '\t'); }
  void check_size(const CsvRow& row) const;
  void append(CsvRow& row, int c);
  int quoted_field(CsvRow& row);

  tools::ByteSource& source_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool end_ = false;
  char separator_ = ',';
  long line_ = 1;          // the line of the next byte
  bool after_cr_ = false;  // the last byte was a CR: a LF now ends no further line
  std::size_t row_bytes_ = 0;
};

// Every row of a text (tests and small inputs). Throws as CsvReader::next.
std::vector<CsvRow> parse_csv(std::string_view text, const std::string& name,
                              std::optional<char> separator = ',');

}  // namespace kelvaro::csv
