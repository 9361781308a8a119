#include "report_reader/line_cursor.h"

#include <algorithm>

#include "kelvaro/field_tables.h"
#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool all_asterisks(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c == '*'; });
}

std::string_view drop_sign(std::string_view s) {
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  return s;
}

// Digits with at most one decimal point and at least one digit: "3", "3.", ".50", "52.000000".
bool is_decimal(std::string_view s) {
  const std::size_t dot = s.find('.');
  if (dot == std::string_view::npos) return all_digits(s);
  const std::string_view whole = s.substr(0, dot), frac = s.substr(dot + 1);
  return (whole.empty() || all_digits(whole)) && (frac.empty() || all_digits(frac)) &&
         !(whole.empty() && frac.empty());
}

// Infinity and not-a-number as fields of every width print them.
bool is_non_finite(std::string_view s) {
  return s == "NaN" || s == "Inf" || s == "+Inf" || s == "-Inf" || s == "+Infinity" ||
         s == "-Infinity";
}

bool is_real(std::string_view s) {
  if (is_non_finite(s)) return true;
  s = drop_sign(s);
  const std::size_t e = s.find('E');
  if (e == std::string_view::npos) return is_decimal(s);
  const std::string_view exponent = s.substr(e + 1);
  return is_decimal(s.substr(0, e)) && exponent.size() > 1 &&
         (exponent.front() == '+' || exponent.front() == '-') && all_digits(exponent.substr(1));
}

std::string quoted(std::string_view s) { return tools::quoted_excerpt(s); }

}  // namespace

bool is_printed_number(std::string_view text, NumberKind kind) {
  if (all_asterisks(text)) return true;
  if (kind == NumberKind::kInteger) {
    // Integers print with a minus sign when negative and never with a plus sign.
    return all_digits(!text.empty() && text.front() == '-' ? text.substr(1) : text);
  }
  return is_real(text);
}

void LineCursor::fail(const std::string& what) const {
  throw ReportError(number_, what + " in " + quoted(trim_right(line_)));
}

void LineCursor::expect(std::string_view text) {
  if (!accept(text)) {
    fail("expected " + quoted(text) + " at column " + std::to_string(pos_ + 1));
  }
}

bool LineCursor::accept(std::string_view text) {
  if (line_.substr(pos_, text.size()) != text) return false;
  pos_ += text.size();
  return true;
}

void LineCursor::skip_blanks() {
  while (pos_ < line_.size() && line_[pos_] == ' ') ++pos_;
}

std::string LineCursor::number(NumberKind kind) {
  skip_blanks();
  const std::size_t start = pos_;
  while (pos_ < line_.size() && line_[pos_] != ' ') ++pos_;
  const std::string_view token = line_.substr(start, pos_ - start);
  if (!is_printed_number(token, kind)) {
    fail(std::string(kind == NumberKind::kInteger ? "expected an integer" : "expected a number") +
         " at column " + std::to_string(start + 1));
  }
  return std::string(token);
}

bool LineCursor::at_end() const {
  return std::all_of(line_.begin() + static_cast<std::ptrdiff_t>(pos_), line_.end(),
                     [](char c) { return c == ' '; });
}

void LineCursor::expect_end() const {
  if (!at_end()) fail("unexpected text at column " + std::to_string(pos_ + 1));
}

std::string fixed_number(std::string_view line, std::size_t start, std::size_t width,
                         NumberKind kind, long number) {
  std::string_view field = columns(line, start, width);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  field = trim_right(field);
  if (!is_printed_number(field, kind)) {
    throw ReportError(number, "expected a number in columns " + std::to_string(start + 1) + "-" +
                                  std::to_string(start + width) + " of " +
                                  quoted(trim_right(line)));
  }
  return std::string(field);
}

std::string_view columns(std::string_view line, std::size_t start, std::size_t width) {
  return start < line.size() ? line.substr(start, width) : std::string_view();
}

std::string_view trim_right(std::string_view line) {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

}  // namespace kelvaro::tidy
