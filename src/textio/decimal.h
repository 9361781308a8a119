#pragma once
// Exact decimal digits of a binary floating-point value, and their rounding.
// Every double (and so every float) is a finite decimal fraction; exact_decimal() gives all of its
// digits, so rounding decisions are taken on the stored value itself, never on a printed
// approximation. Halves round away from zero.
//
//   exact_decimal(0.125)               -> digits "125", point 0   (0.125 x 10^0)
//   exact_decimal(123.45f)             -> digits "1234499969482421875", point 3
//   exact_decimal(0.125), round_decimals(.., 2)     -> digits "13", point 0   (0.13)
//   exact_decimal(123.45f), round_decimals(.., 1)   -> digits "1234", point 3 (123.4)
//   exact_decimal(99.96f), round_significant(.., 3) -> digits "1", point 3    (100)

#include <cstdint>
#include <string_view>

namespace kelvaro::textio {

// A non-negative decimal 0.d1d2d3... x 10^point with the sign kept apart.
// digits holds the significant digits as characters, without leading or trailing zeros; zero has
// count 0. The longest exact expansion of a double is 767 significant digits (the denormals).
struct Decimal {
  static constexpr int kMaxDigits = 800;
  bool negative = false;
  int count = 0;
  int point = 0;
  char digits[kMaxDigits];

  std::string_view view() const { return {digits, static_cast<std::size_t>(count)}; }
  // The digit at position i (0 = first significant digit); '0' beyond the last one.
  char at(int i) const { return i >= 0 && i < count ? digits[i] : '0'; }
  bool is_zero() const { return count == 0; }
};

// The exact decimal expansion of v, sign in negative (set for -0.0 too).
// Requires: v finite.
void exact_decimal(double v, Decimal& out);

// Rounds to n significant digits, to nearest, halves away from zero. A carry out of the first
// digit raises point (9.96 to 2 digits -> digits "1", point 2). Zero stays zero.
// Requires: n >= 1.
void round_significant(Decimal& dec, int n);

// Rounds to d digits after the decimal point, to nearest, halves away from zero. A value below
// half a unit of the last place becomes zero (count 0); negative stays as it was.
// Requires: d >= 0.
void round_decimals(Decimal& dec, int d);

}  // namespace kelvaro::textio
