#pragma once
// One free-form value, taken a character at a time and kept as a bounded summary, so that a
// value of any length (a number of a million digits, a run of stray bytes) costs no memory.
// The summary answers both questions a statement asks of a value: what 32-bit integer it is,
// and what single-precision real it is (the nearest float to its exact decimal value).
//
//   "+007" -> integer 7, real 7.0      "3." -> integer: bad, real 3.0     "1.5D3" -> real 1500.0
//   "1.5+3" -> real 1500.0              "-inf" -> real -Infinity          "2147483648" -> overflow
//   "3x", "e3", "3e", "--3", "." -> bad as integer and as real

#include <cstdint>
#include <string>

namespace kelvaro::textio {

enum class Conversion { Ok, Bad, Overflow };

class ValueScanner {
 public:
  // Takes the next character of the value (never a separator: the reader decides where a value
  // ends).
  void feed(char c);

  // True while every character fed so far is a decimal digit and there was at least one: the
  // value may still turn out to be the repeat count of "r*c".
  bool digits_only() const { return int_state_ == IntState::Digits && !negative_ && !signed_; }

  // True when no further characters can make the value a valid integer (as_integer is Bad) or a
  // valid real (as_real is false): the reader need not take the rest of it.
  bool integer_hopeless() const { return int_state_ == IntState::Bad; }
  bool real_hopeless() const { return real_state_ == RealState::Bad; }

  // The value as a 32-bit integer: an optional sign and decimal digits, within -2^31..2^31-1.
  Conversion as_integer(std::int32_t& out) const;

  // The value as a real: [sign] digits with an optional decimal point, an optional exponent (E
  // or D in either case with an optional sign, or a sign directly followed by digits), or the
  // words Inf, Infinity and NaN in any case. Rounded to nearest, ties to even; overflow gives
  // Infinity, underflow the nearest denormal or zero. False when the text is not a real.
  bool as_real(float& out) const;

  // The magnitude of an all-digit value, saturated at kSaturation.
  std::int64_t magnitude() const { return magnitude_; }
  static constexpr std::int64_t kSaturation = std::int64_t{1} << 40;

 private:
  enum class IntState { Start, Sign, Digits, Bad };
  enum class RealState {
    Start,
    Sign,
    Whole,
    BarePoint,
    Fraction,
    ExpMark,
    ExpSign,
    ExpDigits,
    Word,
    Bad
  };

  void feed_integer(char c);
  void feed_real(char c);
  void add_mantissa_digit(char d, bool before_point);

  IntState int_state_ = IntState::Start;
  RealState real_state_ = RealState::Start;
  bool negative_ = false;
  bool signed_ = false;
  std::int64_t magnitude_ = 0;  // of the digits, for the integer reading

  // The real reading: significant digits d1 d2 ... (leading zeros dropped, at most kKeptDigits,
  // then a sticky 1 for any nonzero digit dropped); the value is 0.d1 d2 ... x 10^(point).
  std::string digits_;
  std::int64_t point_ = 0;
  bool sticky_ = false;
  bool exponent_negative_ = false;
  std::int64_t exponent_ = 0;
  std::string word_;  // letters of Inf, Infinity or NaN, lower case (at most 8 kept)
};

}  // namespace kelvaro::textio
