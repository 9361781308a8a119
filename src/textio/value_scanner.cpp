#include "textio/value_scanner.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kelvaro::textio {

namespace {

// Significant digits kept from a real's mantissa. A midpoint between two adjacent floats has at
// most 105 significant decimal digits (2^-150 = 5^150 / 10^150, and 5^150 has 105 digits), so 200
// digits plus one sticky nonzero digit for whatever was dropped decide the rounding exactly.
constexpr std::size_t kKeptDigits = 200;

// Decimal exponents beyond this magnitude overflow or underflow a float whatever the kept digits.
constexpr std::int64_t kExponentClamp = 100000;

// Exponent digits are read up to this value (10^17), far above any input length, so the exponent
// still decides overflow or underflow after a mantissa of any length has shifted it.
constexpr std::int64_t kExponentSaturation = 100000000000000000;

// The longest word a real may be ("infinity").
constexpr std::size_t kLongestWord = 8;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_exponent_letter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::int64_t saturating_append(std::int64_t v, char digit, std::int64_t cap) {
  if (v >= cap) return cap;
  v = v * 10 + (digit - '0');
  return v >= cap ? cap : v;
}

// Rounds digits times 10^exponent to the nearest float (ties to even) in one step. The text has
// no decimal point, so the locale's decimal point does not matter.
float nearest_float(const std::string& digits, std::int64_t exponent, bool negative) {
  char tail[32];
  auto res = std::to_chars(tail, tail + sizeof tail, exponent);
  const std::string text = (negative ? "-" : "") + digits + "e" + std::string(tail, res.ptr);
  const int saved_errno = errno;
  const float v = std::strtof(text.c_str(), nullptr);
  errno = saved_errno;
  return v;
}

}  // namespace

void ValueScanner::feed(char c) {
  feed_integer(c);
  feed_real(c);
}

void ValueScanner::feed_integer(char c) {
  switch (int_state_) {
    case IntState::Start:
      if (is_sign(c)) {
        signed_ = true;
        negative_ = c == '-';
        int_state_ = IntState::Sign;
        return;
      }
      [[fallthrough]];
    case IntState::Sign:
    case IntState::Digits:
      if (is_digit(c)) {
        magnitude_ = saturating_append(magnitude_, c, kSaturation);
        int_state_ = IntState::Digits;
      } else {
        int_state_ = IntState::Bad;
      }
      return;
    case IntState::Bad:
      return;
  }
}

void ValueScanner::add_mantissa_digit(char d, bool before_point) {
  if (digits_.empty() && d == '0') {
    if (!before_point) --point_;
    return;
  }
  if (before_point) ++point_;
  if (digits_.size() < kKeptDigits) {
    digits_.push_back(d);
  } else if (d != '0') {
    sticky_ = true;
  }
}

void ValueScanner::feed_real(char c) {
  using S = RealState;
  S next = S::Bad;
  switch (real_state_) {
    case S::Start:
      if (is_sign(c)) {  // the sign itself is kept by feed_integer
        next = S::Sign;
        break;
      }
      [[fallthrough]];
    case S::Sign:
      if (is_digit(c)) {
        add_mantissa_digit(c, true);
        next = S::Whole;
      } else if (c == '.') {
        next = S::BarePoint;
      } else if (is_letter(c)) {
        word_.push_back(lower(c));
        next = S::Word;
      }
      break;
    case S::Whole:
      if (is_digit(c)) {
        add_mantissa_digit(c, true);
        next = S::Whole;
      } else if (c == '.') {
        next = S::Fraction;
      } else if (is_exponent_letter(c)) {
        next = S::ExpMark;
      } else if (is_sign(c)) {
        exponent_negative_ = c == '-';
        next = S::ExpSign;
      }
      break;
    case S::BarePoint:
    case S::Fraction:
      if (is_digit(c)) {
        add_mantissa_digit(c, false);
        next = S::Fraction;
      } else if (real_state_ == S::Fraction && is_exponent_letter(c)) {
        next = S::ExpMark;
      } else if (real_state_ == S::Fraction && is_sign(c)) {
        exponent_negative_ = c == '-';
        next = S::ExpSign;
      }
      break;
    case S::ExpMark:
      if (is_sign(c)) {
        exponent_negative_ = c == '-';
        next = S::ExpSign;
        break;
      }
      [[fallthrough]];
    case S::ExpSign:
    case S::ExpDigits:
      if (is_digit(c)) {
        exponent_ = saturating_append(exponent_, c, kExponentSaturation);
        next = S::ExpDigits;
      }
      break;
    case S::Word:
      if (is_letter(c) && word_.size() < kLongestWord) {
        word_.push_back(lower(c));
        next = S::Word;
      }
      break;
    case S::Bad:
      break;
  }
  real_state_ = next;
}

Conversion ValueScanner::as_integer(std::int32_t& out) const {
  if (int_state_ != IntState::Digits) return Conversion::Bad;
  // 2147483648 = 2^31, the magnitude of the most negative 32-bit integer.
  constexpr std::int64_t kLimit = 2147483648;
  if (magnitude_ > (negative_ ? kLimit : kLimit - 1)) return Conversion::Overflow;
  out = static_cast<std::int32_t>(negative_ ? -magnitude_ : magnitude_);
  return Conversion::Ok;
}

bool ValueScanner::as_real(float& out) const {
  using S = RealState;
  switch (real_state_) {
    case S::Word:
      if (word_ == "inf" || word_ == "infinity") {
        out = negative_ ? -std::numeric_limits<float>::infinity()
                        : std::numeric_limits<float>::infinity();
        return true;
      }
      if (word_ == "nan") {
        out = std::copysign(std::numeric_limits<float>::quiet_NaN(), negative_ ? -1.0f : 1.0f);
        return true;
      }
      return false;
    case S::Whole:
    case S::Fraction:
    case S::ExpDigits:
      break;
    default:
      return false;
  }
  if (digits_.empty()) {
    out = negative_ ? -0.0f : 0.0f;
    return true;
  }
  std::string digits = digits_;
  if (sticky_) digits.push_back('1');
  // 0.d1...dn x 10^(point + exponent) = d1...dn x 10^(point + exponent - n).
  std::int64_t scale = point_ + (exponent_negative_ ? -exponent_ : exponent_);
  if (scale > kExponentClamp) scale = kExponentClamp;
  if (scale < -kExponentClamp) scale = -kExponentClamp;
  out = nearest_float(digits, scale - static_cast<std::int64_t>(digits.size()), negative_);
  return true;
}

}  // namespace kelvaro::textio
