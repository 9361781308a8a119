#pragma once
// The lines of a report, read as a stream: LF, CR LF and CR alone each end a line, so that line
// numbers are right whatever the line ends. Memory holds one chunk of input and one line ahead
// (blank lines ahead are only counted), so a huge file costs no more than a small one. A line
// longer than kMaxLineBytes is refused: kelvaro's longest lines hold about 1,200 characters.
//
//   " a\r\n\r\n b\r c"  ->  " a" (line 1), "" (line 2), " b" (line 3), " c" (line 4, no end)

#include <optional>
#include <string>
#include <string_view>

#include "kelvaro/byte_source.h"

namespace kelvaro::tidy {

inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

class ReportLines {
 public:
  explicit ReportLines(tools::ByteSource& source) : source_(source) {}

  // The next line (without its line end) and moves past it; nullopt at the end of the input.
  // The view stays valid until the next call. Throws ReportError (a line too long), ReadError.
  std::optional<std::string_view> take();
  // The next line without moving past it.
  std::optional<std::string_view> peek();
  // True when nothing but blank lines (spaces only) remains; the lines stay to be taken.
  bool only_blank_lines_remain();
  // The number (from 1) of the line that take() returns next.
  long next_number() const { return next_number_; }
  // False when the last line taken is the last of the input and has no line end: the input
  // stops inside it.
  bool last_taken_ended() const { return last_ended_; }

 private:
  bool read_line(std::string& line, bool& ended);
  int get();

  tools::ByteSource& source_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool at_end_ = false;
  long pending_blanks_ = 0;          // blank lines ahead, before held_
  std::optional<std::string> held_;  // the line ahead
  bool held_ended_ = true;
  std::string current_;  // the line last taken
  bool last_ended_ = true;
  long next_number_ = 1;
};

}  // namespace kelvaro::tidy
