// Layout of report fields from exact decimal digits.
#include "textio/fields.h"

#include <cassert>
#include <cmath>
#include <cstdint>

#include "textio/decimal.h"

namespace kelvaro::textio {
namespace {

// The sizes of a free-form real item.
struct ListShape {
  int width;                                       // whole field
  int digits;                                      // significant digits of the fixed form
  int exp_digits;                                  // digits of the exponent in the exponent form
  int trailing() const { return exp_digits + 2; }  // blanks after a fixed-form number
};
constexpr ListShape kListReal{15, 8, 2};
constexpr ListShape kListDouble{25, 17, 3};
constexpr int kListIntegerWidth = 11;

void append_padded(std::string& out, std::string_view s, int w) {
  if (static_cast<int>(s.size()) < w) out.append(static_cast<std::size_t>(w) - s.size(), ' ');
  out.append(s);
}

void append_stars(std::string& out, int w) {
  if (w > 0) out.append(static_cast<std::size_t>(w), '*');
}

// Decimal digits of |v| (v as a 64-bit value so that -2^31 has a magnitude).
std::string magnitude_digits(std::int64_t v) {
  std::uint64_t m = v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
  char buf[24];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  std::string s;
  if (v < 0) s.push_back('-');
  while (n > 0) s.push_back(buf[--n]);
  return s;
}

// Fixed form is used when the value rounded to digits significant digits lies in
// [0.1, 10^digits): with value 0.d1d2.. x 10^point that is 0 <= point <= digits.
bool use_fixed(const Decimal& rounded, int digits) {
  return rounded.point >= 0 && rounded.point <= digits;
}

// Fixed form with `digits` significant digits: point digits before ".", the rest after it, and a
// "0" before the point for values below 1.
std::string list_fixed(const Decimal& r, int digits) {
  std::string s;
  if (r.negative) s.push_back('-');
  if (r.point == 0) s.push_back('0');
  for (int i = 0; i < r.point; ++i) s.push_back(r.at(i));
  s.push_back('.');
  for (int i = r.point; i < digits; ++i) s.push_back(r.at(i));
  return s;
}

// Exponent form: one digit, ".", `digits` digits, "E", sign, exp_digits digits (more if needed).
std::string list_exponent(const Decimal& r, const ListShape& shape) {
  std::string s;
  if (r.negative) s.push_back('-');
  s.push_back(r.at(0));
  s.push_back('.');
  for (int i = 1; i <= shape.digits; ++i) s.push_back(r.at(i));
  int e = r.point - 1;
  s.push_back('E');
  s.push_back(e < 0 ? '-' : '+');
  std::string ed = magnitude_digits(e < 0 ? -e : e);
  if (static_cast<int>(ed.size()) < shape.exp_digits) {
    s.append(static_cast<std::size_t>(shape.exp_digits) - ed.size(), '0');
  }
  s.append(ed);
  return s;
}

void append_list_number(std::string& out, double v, const ListShape& shape) {
  if (!std::isfinite(v)) {
    append_special(out, v, shape.width);
    return;
  }
  const int fixed_width = shape.width - shape.trailing();
  Decimal exact;
  exact_decimal(v, exact);
  if (exact.is_zero()) {
    std::string s = exact.negative ? "-0." : "0.";
    s.append(static_cast<std::size_t>(shape.digits - 1), '0');
    append_padded(out, s, fixed_width);
    out.append(static_cast<std::size_t>(shape.trailing()), ' ');
    return;
  }
  Decimal r = exact;
  round_significant(r, shape.digits);
  if (use_fixed(r, shape.digits)) {
    append_padded(out, list_fixed(r, shape.digits), fixed_width);
    out.append(static_cast<std::size_t>(shape.trailing()), ' ');
    return;
  }
  round_significant(exact, shape.digits + 1);
  append_padded(out, list_exponent(exact, shape), shape.width);
}

}  // namespace

void append_integer(std::string& out, std::int32_t v, int w) {
  assert(w >= 1);
  std::string s = magnitude_digits(v);
  if (static_cast<int>(s.size()) > w) {
    append_stars(out, w);
  } else {
    append_padded(out, s, w);
  }
}

void append_fixed(std::string& out, double v, int w, int d) {
  assert(w >= 1 && d >= 0);
  if (!std::isfinite(v)) {
    append_special(out, v, w);
    return;
  }
  Decimal dec;
  exact_decimal(v, dec);
  round_decimals(dec, d);
  const int int_digits = dec.is_zero() ? 0 : (dec.point > 0 ? dec.point : 0);
  const int len = (dec.negative ? 1 : 0) + int_digits + 1 + d;
  if (len > w) {
    append_stars(out, w);
    return;
  }
  const bool lead_zero = int_digits == 0 && len < w;  // "0." only when a column is free
  out.append(static_cast<std::size_t>(w - len - (lead_zero ? 1 : 0)), ' ');
  if (dec.negative) out.push_back('-');
  if (lead_zero) out.push_back('0');
  for (int i = 0; i < int_digits; ++i) out.push_back(dec.at(i));
  out.push_back('.');
  // Decimal place j (from 1) holds digit point + j - 1; at() gives '0' outside the digits.
  for (int j = 1; j <= d; ++j) out.push_back(dec.is_zero() ? '0' : dec.at(dec.point + j - 1));
}

void append_text(std::string& out, std::string_view s, int w) {
  if (w < 0) {
    out.append(s);
  } else if (static_cast<int>(s.size()) >= w) {
    out.append(s.substr(0, static_cast<std::size_t>(w)));
  } else {
    append_padded(out, s, w);
  }
}

void append_special(std::string& out, double v, int w) {
  assert(!std::isfinite(v));
  // Widths at which the spellings change: "NaN" and "Inf" need 3 columns, "+Inf" 4, "+Infinity" 9.
  constexpr int kShort = 3, kSigned = 4, kLong = 9;
  if (w < kShort) {
    append_stars(out, w);
  } else if (std::isnan(v)) {
    append_padded(out, "NaN", w);
  } else if (w < kSigned) {
    out.append(v > 0 ? "Inf" : "***");
  } else if (w < kLong) {
    append_padded(out, v > 0 ? "+Inf" : "-Inf", w);
  } else {
    append_padded(out, v > 0 ? "+Infinity" : "-Infinity", w);
  }
}

void append_list_integer(std::string& out, std::int32_t v) {
  append_padded(out, magnitude_digits(v), kListIntegerWidth);
}

void append_list_real(std::string& out, float v) { append_list_number(out, v, kListReal); }

void append_list_double(std::string& out, double v) { append_list_number(out, v, kListDouble); }

}  // namespace kelvaro::textio
