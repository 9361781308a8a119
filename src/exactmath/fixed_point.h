#pragma once
// Unsigned fixed-point numbers for the accurate evaluations: one 32-bit word of integer part and
// a chosen number of 32-bit words of fraction (4 to 16, that is 128 to 512 bits). Addition,
// subtraction and multiplication by a small integer are exact; multiplication and division
// truncate, erring by less than one unit in the last place (one "unit", 2^(-32 * words)).
// Both operands of a binary operation must have the same number of fraction words.

#include <array>
#include <compare>
#include <cstdint>

namespace kelvaro::exactmath {

class Fixed {
 public:
  static constexpr int kMinFractionWords = 4;
  static constexpr int kMaxFractionWords = 16;

  // Zero. Requires: kMinFractionWords <= fraction_words <= kMaxFractionWords.
  explicit Fixed(int fraction_words);

  // The integer v.
  static Fixed integer(std::uint32_t v, int fraction_words);
  // x truncated to the fraction words (exact when x has no bits below 2^(-32 * words)).
  // Requires: 0 <= x < 2^32.
  static Fixed from_double(double x, int fraction_words);
  // a / b truncated. Requires: a < b < 2^62.
  static Fixed ratio(std::uint64_t a, std::uint64_t b, int fraction_words);
  // ln 2 truncated (less than one unit low).
  static Fixed ln2(int fraction_words);

  int fraction_words() const { return words_; }

  friend Fixed operator+(const Fixed& a, const Fixed& b);  // Requires: sum below 2^32.
  friend Fixed operator-(const Fixed& a, const Fixed& b);  // Requires: a >= b.
  friend Fixed operator*(const Fixed& a, const Fixed& b);  // Requires: product below 2^32.
  Fixed times(std::uint32_t m) const;                      // Requires: product below 2^32.
  Fixed divided_by(std::uint32_t d) const;                 // Requires: d > 0.
  friend std::strong_ordering operator<=>(const Fixed& a, const Fixed& b);

  // The value plus u units, or minus u units (zero when that would be negative).
  Fixed plus_units(std::uint32_t u) const;
  Fixed minus_units(std::uint32_t u) const;

  // Index of the highest set bit, counting the last bit of the fraction as 0; -1 for zero.
  int leading_bit() const;
  // Bits low .. low + count - 1 as an integer (bits below index 0 read as 0).
  // Requires: 0 < count <= 63.
  std::uint64_t bits(int low, int count) const;

 private:
  // word_[0] is the integer part, word_[1 .. words_] the fraction, most significant first.
  std::array<std::uint32_t, kMaxFractionWords + 1> word_{};
  int words_;
};

}  // namespace kelvaro::exactmath
