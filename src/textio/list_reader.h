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
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "textio/value_scanner.h"

namespace kelvaro::textio {

// A failed read: the input line where it failed and the reason, e.g.
// "Bad integer for item 3 in list input" or "End of file", and the same in plain words with the
// value as written: "line 2, value 3: \"x\" is not a number" (empty when not given).
class ReadError : public std::runtime_error {
 public:
  ReadError(std::int64_t line, std::string reason, std::string words = "")
      : std::runtime_error(reason),
        line_(line),
        reason_(std::move(reason)),
        words_(std::move(words)) {}
  std::int64_t line() const { return line_; }
  const std::string& reason() const { return reason_; }
  const std::string& words() const { return words_; }

 private:
  std::int64_t line_;
  std::string reason_;
  std::string words_;
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

// What a successful statement met besides its values, for the warnings of a run.
struct StatementFacts {
  std::int64_t first_line = 0;  // line of the statement's first value, comma or slash
  std::int64_t nulls = 0;       // items left unchanged by ",," or "r*"
  bool cut_by_slash = false;    // a slash ended it before its last item
  bool extra_number = false;    // the rest of its last line, discarded, begins with a number
};

class ListReader {
 public:
  // The whole input text (the reader keeps a view: the text must outlive the reader).
  explicit ListReader(std::string_view input);
  // An input taken piece by piece; memory stays bounded whatever its length. The source must
  // outlive the reader; its InputUnreadable passes through read() and read_or_end().
  explicit ListReader(TextSource& source);
  ~ListReader();
  ListReader(const ListReader&) = delete;
  ListReader& operator=(const ListReader&) = delete;

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
  std::int64_t line() const;

  // What the last successful statement met (all zero before the first one).
  const StatementFacts& last_statement() const { return facts_; }

 private:
  // Reads one statement; on failure returns End or Bad, sets fail_line_, fills reason and words_.
  ReadStatus run(std::span<const Target> items, std::string& reason);

  // The input, buffered: peek(k) is the byte k places ahead (-1 past the end).
  int peek(std::size_t k = 0);
  void advance(std::size_t n);
  bool at_end() { return peek() < 0; }
  std::size_t line_end_length();  // 1 for LF, 2 for CR LF, 0 otherwise
  bool at_value_end();
  void skip_space();  // blanks, tabs and line ends, and with them empty lines
  void skip_line();   // to the start of the next line (or the end of the input)
  bool rest_of_line_starts_with_number();

  // One value as written, up to a blank, tab, comma, semicolon, slash, line end or end of input:
  // a plain value in `first`, or, when digits are followed by '*', a repeat count in `first` and
  // the repeated value (if any) in `repeated`. Stops early (complete false) once the value can no
  // longer be valid as an integer (want_integer) or as a real.
  struct Value {
    ValueScanner first;
    ValueScanner repeated;
    bool repeat = false;         // "r*c" or "r*"
    bool repeats_value = false;  // "r*c": a value follows the '*'
    bool complete = true;
    std::string text;  // the value as written, its first kExcerpt bytes ("..." after them)
  };
  static constexpr std::size_t kExcerpt = 20;
  Value take_value(bool want_integer);

  std::unique_ptr<TextSource> owned_;  // the StringSource of the text constructor
  TextSource& source_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;    // one past the last byte read into buffer_
  bool exhausted_ = false;
  bool line_start_ = true;      // nothing consumed yet, or the last byte consumed was a line feed
  std::int64_t line_ = 1;       // line number of the next byte
  std::int64_t fail_line_ = 0;  // line of the last failure; 0 when the last statement succeeded
  std::string words_;           // the last failure in plain words (ReadError::words)
  StatementFacts facts_;
};

}  // namespace kelvaro::textio
