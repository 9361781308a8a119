#pragma once
// A real number written in decimal, as every option and argument that takes one reads it
// (library kelvaro_numeric, headers only): an optional sign, digits with at most one point, and
// an optional exponent, nothing else. What a double cannot hold is refused, never rounded to 0
// or to infinity:
//   "0.8", "-3", "+.5", "2.5e-3", "1E3"              -> the value
//   "0x0.8p0", "inf", "nan", " 1", "1,5", "", "."    -> kNotDecimal
//   "1e400", "-1e309"                                -> kTooLarge
//   "1e-400", "1e-310" (below the smallest normal double, 2.2250738585072014e-308) -> kTooSmall
//   "0e-400", "-0.000"                               -> 0 (zero written any way is zero)

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

#include "kelvaro/compat.h"

namespace kelvaro::numeric {

enum class RealTextProblem { kNone, kNotDecimal, kTooLarge, kTooSmall };

struct RealText {
  double value = 0.0;
  RealTextProblem problem = RealTextProblem::kNone;
};

namespace detail {

// The shape of a decimal number: whether `text` is [sign] digits [. digits] [e [sign] digits]
// with a digit before or after the point; whether a digit of the mantissa is not 0; and the
// power of ten of its first such digit (saturated far beyond the range of doubles).
struct DecimalShape {
  bool decimal = false;
  bool nonzero = false;
  long leading_power = 0;
};

inline DecimalShape decimal_shape(std::string_view text) {
  constexpr long kFar = 100000;  // powers of ten this large are beyond every double
  DecimalShape s;
  std::size_t i = 0;
  const auto is_digit = [&] {
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  long before_point = 0;  // digits before the point, after the leading zeros
  long zeros_after_point = 0;
  bool digit = false;
  for (; is_digit(); ++i, digit = true) {
    s.nonzero = s.nonzero || text[i] != '0';
    if (s.nonzero && before_point < kFar) ++before_point;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; is_digit(); ++i, digit = true) {
      if (!s.nonzero && text[i] == '0' && zeros_after_point < kFar) ++zeros_after_point;
      s.nonzero = s.nonzero || text[i] != '0';
    }
  }
  if (!digit) return s;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!is_digit()) return s;
    for (; is_digit(); ++i) exponent = std::min(kFar, exponent * 10 + (text[i] - '0'));
    if (negative) exponent = -exponent;
  }
  s.decimal = i == text.size();
  s.leading_power = (before_point > 0 ? before_point - 1 : -zeros_after_point - 1) + exponent;
  return s;
}

}  // namespace detail

// Reads `text` whole as above; `value` is set only when `problem` is kNone.
inline RealText read_real(std::string_view text) {
  RealText r;
  const detail::DecimalShape shape = detail::decimal_shape(text);
  if (!shape.decimal) {
    r.problem = RealTextProblem::kNotDecimal;
    return r;
  }
  // from_chars takes no '+'; the form is checked, so it reads the whole text.
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  double v = 0.0;
  const auto [end, error] = compat::from_chars(first, text.data() + text.size(), v);
  const bool too_large = shape.leading_power > 0;
  if (error == std::errc::result_out_of_range || std::isinf(v)) {
    r.problem = too_large ? RealTextProblem::kTooLarge : RealTextProblem::kTooSmall;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    r.problem = RealTextProblem::kNotDecimal;  // not expected once the shape is checked
  } else if (shape.nonzero && std::fabs(v) < std::numeric_limits<double>::min()) {
    r.problem = RealTextProblem::kTooSmall;
  } else {
    r.value = v;
  }
  return r;
}

}  // namespace kelvaro::numeric
