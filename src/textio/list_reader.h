#pragma once
// Free-form (list-directed) input. One call of read() is one read statement: it starts at the
// beginning of the next input line, takes as many values as its items need from as many lines as
// needed, and then discards the rest of the line on which its last value ended.
// Separators: blanks, tabs, line ends, one comma or semicolon (with blanks around it). Null values
// (",," or a leading comma, "r*") leave an item unchanged; "r*c" repeats c; "/" ends the statement.
// A bad value or the end of input throws ReadError, unless the statement has an end/error branch
// (read_or_end), which reports it to the caller instead. Line ends are LF or CR LF; a CR elsewhere
// is an ordinary character. After a failed statement the next one starts on the following line.
// Examples, reading three integers: "5, 3 , 7", "5 3 7" and "5" / "3 7" -> 5 3 7; "1,,3" -> 1 ? 3
// (? = unchanged); "2*4" -> 4 4 ?, "2*" / "9" -> ? ? 9; "1 /" -> 1 ? ?. Reading reals: "1.5D3" and
// "1.5+3" -> 1500; "-inf" -> -Infinity; text is converted straight to the nearest float.

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

  // One read statement without an end/error branch: stores the values into the items in order.
  // Throws ReadError(line, reason) on a bad value ("Bad integer for item 2 in list input", "Bad
  // real number in item %d of list input", "Integer overflow while reading item %d", "Zero repeat
  // count in item %d of list input", "Repeat count overflow in item %d of list input") or at the
  // end of the input ("End of file"); items stored before the failure keep their new values.
  // No items: the statement consumes one line ("End of file" when there is none).
  // Requires: the item variables stay valid for the call.
  void read(std::span<const Target> items);

  // One read statement with an end/error branch: as read(), but returns End at the end of the
  // input and Bad for every other failure, without throwing; Ok otherwise.
  ReadStatus read_or_end(std::span<const Target> items);

  // Number (from 1) of the input line the reader stands on. After a failed statement: the line
  // where it failed, the same number its ReadError carries; for "End of file" that is the last
  // line of the input (a final line end does not open another line), or 1 for empty input.
  // After a successful statement: the line on which the next statement starts.
  int line() const;

 private:
  // Reads one statement; on failure returns End or Bad, sets fail_line_ and fills reason.
  ReadStatus run(std::span<const Target> items, std::string& reason);

  std::string_view in_;
  std::size_t pos_ = 0;  // the next character; inside a line only after a failed statement
  int line_ = 1;         // line number of pos_
  int fail_line_ = 0;    // line of the last failure; 0 when the last statement succeeded
};

}  // namespace kelvaro::textio
