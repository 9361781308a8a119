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

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::csv {

// No detection table has rows this long (a header of 100,000 species names takes about 2 MiB);
// the bound keeps a file without line ends (or /dev/zero) from taking all memory.
inline constexpr std::size_t kMaxRowBytes = 16 * 1024 * 1024;

// One row: its fields' text kept in one buffer, each field a range of it.
class CsvRow {
 public:
  long line() const { return line_; }
  std::size_t size() const { return bounds_.size() / 2; }
  // Requires: i < size().
  std::string_view operator[](std::size_t i) const {
    return std::string_view(text_).substr(bounds_[2 * i], bounds_[2 * i + 1] - bounds_[2 * i]);
  }
  // True when every field is empty (a spreadsheet's ",,," filler line).
  bool blank() const { return blank_; }
  std::vector<std::string> fields() const;

 private:
  friend class CsvReader;
  void clear() {
    text_.clear();
    bounds_.clear();
    blank_ = true;
  }
  // Ends the field that began at text_[begin], at the end of text_.
  void end_field(std::size_t begin) { add_field(begin, text_.size()); }
  void add_field(std::size_t begin, std::size_t end) {
    bounds_.push_back(static_cast<std::uint32_t>(begin));
    bounds_.push_back(static_cast<std::uint32_t>(end));
    blank_ = blank_ && begin == end;
  }

  long line_ = 0;
  std::string text_;
  std::vector<std::uint32_t> bounds_;  // field i is text_[bounds_[2i], bounds_[2i + 1])
  bool blank_ = true;
};

class CsvReader {
 public:
  // `separator` nullopt: found in the first row that is not empty. Reads that far.
  // Throws ReadError.
  CsvReader(tools::ByteSource& source, std::optional<char> separator);
  // A reader of a part of a file that starts at a row on line `first_line` (no byte-order mark
  // looked for): the lines and messages are those of the whole file.
  CsvReader(tools::ByteSource& part, char separator, long first_line);

  // The next row into `row`; false at the end of the input. Throws InputError for a quote inside
  // an unquoted field, text after a closing quote, a quoted field open at the end, a row longer
  // than kMaxRowBytes; ReadError when the input cannot be read.
  bool next(CsvRow& row);

  char separator() const { return separator_; }
  const std::string& file() const { return source_.name(); }
  // The offset in the source of the next byte not taken, and its line (between rows: a LF there
  // after a CR is the rest of the last row's line end).
  std::uint64_t row_offset() const;
  long line() const { return line_; }
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
  // The common row at once: a whole line already in the buffer, without quotes, split at the
  // separators and its fields trimmed as next() does byte by byte. Returns false, having taken
  // nothing, for any other row.
  bool plain_row(CsvRow& row);
  // Appends the bytes that follow in the buffer up to a separator, quote or line end (after a
  // plain byte, so that the state get() keeps needs no change).
  void take_plain_run(CsvRow& row);
  int quoted_field(CsvRow& row);

  tools::ByteSource& source_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool end_ = false;
  char separator_ = ',';
  long line_ = 1;          // the line of the next byte
  bool after_cr_ = false;  // the last byte was a CR: a LF now ends no further line
  std::size_t row_bytes_ = 0;
  std::uint64_t taken_ = 0;  // bytes read from the source
};

// Every row of a text (tests and small inputs). Throws as CsvReader::next.
std::vector<CsvRow> parse_csv(std::string_view text, const std::string& name,
                              std::optional<char> separator = ',');

}  // namespace kelvaro::csv
