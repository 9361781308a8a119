#pragma once
// Free-form (list-directed) input. One call of read() is one read statement: it starts at the
// beginning of the next input line, takes as many values as its items need from as many lines as
// needed, and then discards the rest of the line on which its last value ended.
// Separators: blanks, tabs, line ends, one comma or semicolon (with blanks around it). Null values
// (",," or a leading comma, "r*") leave an item unchanged; "r*c" repeats c; "/" ends the statement.
// A bad value or the end of input throws ReadError, unless the statement has an end/error branch
// (read_or_end), which reports it to the caller instead.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvaro::textio {

// A failed read: the input line where it failed and the reason, e.g.
// "Bad integer for item 3 in list input" or "End of file".
class ReadError : public std::runtime_error {
 public:
  ReadError(int line, std::string reason)
      : std::runtime_error(reason), line_(line), reason_(std::move(reason)) {}
  int line() const { return line_; }
  const std::string& reason() const { return reason_; }

 private:
  int line_;
  std::string reason_;
};

// The destination of one item: an integer or a single-precision real variable.
struct Target {
  enum class Kind { Integer, Real };
  Kind kind;
  void* p;
  Target(std::int32_t& v) : kind(Kind::Integer), p(&v) {}
  Target(float& v) : kind(Kind::Real), p(&v) {}
};

enum class ReadStatus { Ok, End, Bad };

class ListReader {
 public:
  // The whole input text (the reader keeps a view: the text must outlive the reader).
  explicit ListReader(std::string_view input);

  // One read statement without an end/error branch: throws ReadError on failure.
  void read(std::span<const Target> items);

  // One read statement with an end/error branch: End or Bad instead of throwing.
  ReadStatus read_or_end(std::span<const Target> items);

  // Number (from 1) of the input line the reader stands on.
  int line() const;

 private:
  std::string_view in_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace kelvaro::textio
