// Free-form (list-directed) input: scanning of values, repeat counts and nulls, and the exact
// conversion of a value's text to a 32-bit integer or to the nearest single-precision real.
#include "textio/list_reader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kelvaro::textio {

namespace {

// Repeat counts r in "r*c" run from 1 to this value.
constexpr std::int64_t kMaxRepeat = 200000000;

// Significant digits kept from a real's mantissa. A midpoint between two adjacent floats has at
// most 105 significant decimal digits (2^-150 = 5^150 / 10^150, and 5^150 has 105 digits), so 200
// digits plus one sticky nonzero digit for whatever was dropped decide the rounding exactly.
constexpr std::size_t kKeptDigits = 200;

// Decimal exponents beyond this magnitude overflow or underflow a float whatever the kept digits.
constexpr std::int64_t kExponentClamp = 100000;

// Exponent digits are read up to this value (10^17), far above any input length.
constexpr std::int64_t kExponentSaturation = 100000000000000000;

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_comma(char c) { return c == ',' || c == ';'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

std::string item_reason(const char* before, std::size_t item, const char* after) {
  return before + std::to_string(item) + after;
}

// A position in the input with its line number.
struct Cursor {
  std::string_view in;
  std::size_t pos;
  int line;

  bool at_end() const { return pos >= in.size(); }

  // Length of the line end at pos: 1 for LF, 2 for CR LF, 0 when there is none.
  std::size_t line_end_length() const {
    if (pos < in.size() && in[pos] == '\n') return 1;
    if (pos + 1 < in.size() && in[pos] == '\r' && in[pos + 1] == '\n') return 2;
    return 0;
  }

  // Skips blanks, tabs and line ends, and with them empty lines.
  void skip_space() {
    for (;;) {
      if (pos < in.size() && is_blank(in[pos])) {
        ++pos;
        continue;
      }
      const std::size_t n = line_end_length();
      if (n == 0) return;
      pos += n;
      ++line;
    }
  }

  // Moves to the start of the next line (or to the end of the input).
  void skip_line() {
    const std::size_t lf = in.find('\n', pos);
    if (lf == std::string_view::npos) {
      pos = in.size();
    } else {
      pos = lf + 1;
      ++line;
    }
  }

  bool at_value_end() const {
    if (at_end()) return true;
    const char c = in[pos];
    return is_blank(c) || is_comma(c) || c == '/' || line_end_length() > 0;
  }

  // The text of one value, up to a blank, tab, comma, semicolon, slash, line end or end of input.
  std::string_view take_value() {
    const std::size_t start = pos;
    while (!at_value_end()) ++pos;
    return in.substr(start, pos - start);
  }
};

// Number of leading decimal digits of s.
std::size_t digit_run(std::string_view s, std::size_t from = 0) {
  std::size_t i = from;
  while (i < s.size() && is_digit(s[i])) ++i;
  return i - from;
}

// Decimal digits as a nonnegative number, saturating at cap (the digits may be a megabyte long).
std::int64_t saturating_digits(std::string_view digits, std::int64_t cap) {
  std::int64_t v = 0;
  for (char c : digits) {
    v = v * 10 + (c - '0');
    if (v >= cap) return cap;
  }
  return v;
}

enum class Conversion { Ok, Bad, Overflow };

// An optional sign followed by decimal digits, within the 32-bit signed range.
Conversion to_integer(std::string_view s, std::int32_t& out) {
  std::size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && is_sign(s[0])) i = 1;
  const std::size_t n = digit_run(s, i);
  if (n == 0 || i + n != s.size()) return Conversion::Bad;
  // 2147483648 = 2^31, the magnitude of the most negative 32-bit integer.
  constexpr std::int64_t kLimit = 2147483648;
  const std::int64_t magnitude = saturating_digits(s.substr(i), kLimit + 1);
  if (magnitude > (negative ? kLimit : kLimit - 1)) return Conversion::Overflow;
  out = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return Conversion::Ok;
}

bool equals_ignoring_case(std::string_view s, std::string_view lower) {
  if (s.size() != lower.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = (s[i] >= 'A' && s[i] <= 'Z') ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != lower[i]) return false;
  }
  return true;
}

// The significant digits of a mantissa and the position of its decimal point: the value is
// 0.d1 d2 d3 ... times 10^point. Leading zeros are dropped; digits past kKeptDigits are dropped
// too, and a nonzero one among them leaves a sticky digit 1 at the end.
struct Mantissa {
  std::string digits;
  std::int64_t point = 0;
  bool sticky = false;

  void add(char d, bool before_point) {
    if (digits.empty() && d == '0') {
      if (!before_point) --point;
      return;
    }
    if (before_point) ++point;
    if (digits.size() < kKeptDigits) {
      digits.push_back(d);
    } else if (d != '0') {
      sticky = true;
    }
  }
};

// Scans "digits[.digits]" or ".digits" from position i; false when there is no digit at all.
bool scan_mantissa(std::string_view s, std::size_t& i, Mantissa& m) {
  std::size_t seen = 0;
  for (; i < s.size() && is_digit(s[i]); ++i, ++seen) m.add(s[i], true);
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && is_digit(s[i]); ++i, ++seen) m.add(s[i], false);
  }
  return seen > 0;
}

// Scans the exponent from position i to the end of s: nothing, E or D (either case) with an
// optional sign and digits, or a sign directly followed by digits. False when malformed.
bool scan_exponent(std::string_view s, std::size_t i, std::int64_t& exponent) {
  exponent = 0;
  if (i == s.size()) return true;
  const char c = s[i];
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    ++i;
  } else if (!is_sign(c)) {
    return false;
  }
  bool negative = false;
  if (i < s.size() && is_sign(s[i])) negative = s[i++] == '-';
  const std::size_t n = digit_run(s, i);
  if (n == 0 || i + n != s.size()) return false;
  // Saturating far beyond any input length: the exponent still decides overflow or underflow
  // after a mantissa of a million digits has shifted it, and the sum cannot overflow.
  const std::int64_t magnitude = saturating_digits(s.substr(i), kExponentSaturation);
  exponent = negative ? -magnitude : magnitude;
  return true;
}

// Rounds digits times 10^exponent to the nearest float (ties to even) in one step: overflow gives
// Infinity and underflow the nearest denormal or zero. The text has no decimal point, so the
// locale's decimal point does not matter.
float nearest_float(const std::string& digits, std::int64_t exponent, bool negative) {
  char tail[32];
  auto res = std::to_chars(tail, tail + sizeof tail, exponent);
  const std::string text = (negative ? "-" : "") + digits + "e" + std::string(tail, res.ptr);
  const int saved_errno = errno;
  const float v = std::strtof(text.c_str(), nullptr);
  errno = saved_errno;
  return v;
}

// A real value: [sign] mantissa [exponent], or [sign] Inf, Infinity or NaN in any case.
bool to_real(std::string_view s, float& out) {
  std::size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && is_sign(s[0])) i = 1;
  const std::string_view word = s.substr(i);
  if (equals_ignoring_case(word, "inf") || equals_ignoring_case(word, "infinity")) {
    out = negative ? -std::numeric_limits<float>::infinity()
                   : std::numeric_limits<float>::infinity();
    return true;
  }
  if (equals_ignoring_case(word, "nan")) {
    out = std::copysign(std::numeric_limits<float>::quiet_NaN(), negative ? -1.0f : 1.0f);
    return true;
  }
  Mantissa m;
  std::int64_t exponent = 0;
  if (!scan_mantissa(s, i, m) || !scan_exponent(s, i, exponent)) return false;
  if (m.digits.empty()) {
    out = negative ? -0.0f : 0.0f;
    return true;
  }
  if (m.sticky) m.digits.push_back('1');
  // 0.d1...dn x 10^(point + exponent) = d1...dn x 10^(point + exponent - n).
  std::int64_t scale = m.point + exponent;
  if (scale > kExponentClamp) scale = kExponentClamp;
  if (scale < -kExponentClamp) scale = -kExponentClamp;
  out = nearest_float(m.digits, scale - static_cast<std::int64_t>(m.digits.size()), negative);
  return true;
}

// Stores the value text into one item; on failure returns the reason (item counted from 1).
bool store(std::string_view text, const Target& target, std::size_t item, std::string& reason) {
  if (target.kind == Target::Kind::Integer) {
    std::int32_t v = 0;
    switch (to_integer(text, v)) {
      case Conversion::Ok:
        *static_cast<std::int32_t*>(target.p) = v;
        return true;
      case Conversion::Overflow:
        reason = item_reason("Integer overflow while reading item ", item, "");
        return false;
      case Conversion::Bad:
        break;
    }
    reason = item_reason("Bad integer for item ", item, " in list input");
    return false;
  }
  float v = 0.0f;
  if (to_real(text, v)) {
    *static_cast<float*>(target.p) = v;
    return true;
  }
  reason = item_reason("Bad real number in item ", item, " of list input");
  return false;
}

}  // namespace

ListReader::ListReader(std::string_view input) : in_(input) {}

ReadStatus ListReader::run(std::span<const Target> items, std::string& reason) {
  Cursor cur{in_, pos_, line_};
  // A failed statement leaves the reader inside its line; the rest of that line is dropped.
  if (cur.pos > 0 && cur.pos < in_.size() && in_[cur.pos - 1] != '\n') cur.skip_line();

  // Ends the statement as failed at the given line; the reader stays where it stopped.
  auto fail = [&](ReadStatus status, int line) {
    pos_ = cur.pos;
    line_ = cur.line;
    fail_line_ = line;
    return status;
  };
  auto end_of_file = [&] {
    reason = "End of file";
    // At the end of the input cur.line counts one past the last line end.
    const bool final_line_end = !in_.empty() && in_.back() == '\n';
    return fail(ReadStatus::End, final_line_end ? cur.line - 1 : cur.line);
  };

  if (items.empty() && cur.at_end()) return end_of_file();

  bool after_comma = true;     // a comma now is a null value (also at the start of the statement)
  std::int64_t repeats = 0;    // items still to take from the last "r*c" or "r*"
  std::string_view repeated;   // its c; empty for "r*" (nulls)
  std::size_t k = 0;           // items done
  while (k < items.size()) {
    if (repeats > 0) {
      if (!repeated.empty() && !store(repeated, items[k], k + 1, reason)) {
        return fail(ReadStatus::Bad, cur.line);
      }
      --repeats;
      ++k;
      continue;
    }
    cur.skip_space();
    if (cur.at_end()) return end_of_file();
    const char c = in_[cur.pos];
    if (c == '/') break;  // the remaining items keep their values
    if (is_comma(c)) {
      ++cur.pos;
      if (after_comma) {
        ++k;  // null value: the item keeps its value
      } else {
        after_comma = true;
      }
      continue;
    }
    const std::string_view value = cur.take_value();
    after_comma = false;
    const std::size_t r = digit_run(value);
    if (r > 0 && r < value.size() && value[r] == '*') {
      repeats = saturating_digits(value.substr(0, r), kMaxRepeat + 1);
      if (repeats == 0) {
        reason = item_reason("Zero repeat count in item ", k + 1, " of list input");
        return fail(ReadStatus::Bad, cur.line);
      }
      if (repeats > kMaxRepeat) {
        reason = item_reason("Repeat count overflow in item ", k + 1, " of list input");
        return fail(ReadStatus::Bad, cur.line);
      }
      repeated = value.substr(r + 1);
      continue;
    }
    if (!store(value, items[k], k + 1, reason)) return fail(ReadStatus::Bad, cur.line);
    ++k;
  }
  // The rest of the line on which the statement ended (at its last value or its slash) is
  // discarded; a value that ended at the line end leaves only the line end itself.
  cur.skip_line();
  pos_ = cur.pos;
  line_ = cur.line;
  fail_line_ = 0;
  return ReadStatus::Ok;
}

void ListReader::read(std::span<const Target> items) {
  std::string reason;
  if (run(items, reason) != ReadStatus::Ok) throw ReadError(fail_line_, reason);
}

ReadStatus ListReader::read_or_end(std::span<const Target> items) {
  std::string reason;
  return run(items, reason);
}

int ListReader::line() const { return fail_line_ != 0 ? fail_line_ : line_; }

}  // namespace kelvaro::textio
