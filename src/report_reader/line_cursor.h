#pragma once
// Reading one report line: literal texts, blank-separated number tokens (free-form records)
// and fixed-width number fields (formatted records). Numbers stay text, exactly as printed;
// they are only checked to look like something the report prints:
//
//   integer:  "45"  "-3"  "******" (a field too narrow for its value)
//   real:     "52.000000"  "1.00000000E+08"  "3."  ".50"  "-0.000"  "NaN"  "+Infinity"  "-Inf"
//
// Every failure throws ReportError with the line's number.

#include <string>
#include <string_view>

namespace kelvaro::tidy {

enum class NumberKind { kInteger, kReal };

// True when `text` (no blanks) is a number of the kind as the report prints it.
bool is_printed_number(std::string_view text, NumberKind kind);

class LineCursor {
 public:
  // `line` without its line end; `number` counts report lines from 1.
  LineCursor(std::string_view line, long number) : line_(line), number_(number) {}

  // Consumes `text`, which must follow at the current position exactly.
  void expect(std::string_view text);
  // True (and consumes it) when `text` follows at the current position.
  bool accept(std::string_view text);
  // Skips blanks, then takes the token up to the next blank or the line end.
  std::string number(NumberKind kind);
  void skip_blanks();
  // True when only blanks remain.
  bool at_end() const;
  void expect_end() const;
  long line_number() const { return number_; }

 private:
  [[noreturn]] void fail(const std::string& what) const;
  std::string_view line_;
  std::size_t pos_ = 0;
  long number_;
};

// The field of `width` columns starting at column `start` (from 0), blanks trimmed; columns past
// the line end count as blanks. Throws when the field is not a printed number of `kind`.
std::string fixed_number(std::string_view line, std::size_t start, std::size_t width,
                         NumberKind kind, long number);

// Columns start .. start + width - 1 (from 0) of the line, shorter (or empty) past its end.
std::string_view columns(std::string_view line, std::size_t start, std::size_t width);

// The line with its trailing blanks removed.
std::string_view trim_right(std::string_view line);

}  // namespace kelvaro::tidy
