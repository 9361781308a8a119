#include "exactmath/fixed_point.h"

#include <bit>
#include <cassert>
#include <cmath>
#include <iterator>

#include "exactmath/tables.h"

namespace kelvaro::exactmath {

Fixed::Fixed(int fraction_words) : words_(fraction_words) {
  assert(fraction_words >= kMinFractionWords && fraction_words <= kMaxFractionWords &&
         "Fixed: fraction words out of range");
}

Fixed Fixed::integer(std::uint32_t v, int fraction_words) {
  Fixed f(fraction_words);
  f.word_[0] = v;
  return f;
}

Fixed Fixed::from_double(double x, int fraction_words) {
  assert(x >= 0.0 && x < 4294967296.0 && "Fixed::from_double: out of range");
  Fixed f(fraction_words);
  // Peel off 32 bits at a time: each step's subtraction and scaling are exact.
  double rest = x;
  for (int i = 0; i <= fraction_words && rest != 0.0; ++i) {
    const double word = std::floor(rest);
    f.word_[i] = static_cast<std::uint32_t>(word);
    rest = (rest - word) * 4294967296.0;  // 2^32
  }
  return f;
}

Fixed Fixed::ratio(std::uint64_t a, std::uint64_t b, int fraction_words) {
  assert(a < b && b < (1ULL << 62) && "Fixed::ratio: needs a < b < 2^62");
  Fixed f(fraction_words);
  // Long division one bit at a time; the remainder stays below b, so doubling it fits.
  std::uint64_t remainder = a;
  for (int i = 1; i <= fraction_words; ++i) {
    std::uint32_t word = 0;
    for (int bit = 31; bit >= 0; --bit) {
      remainder <<= 1;
      if (remainder >= b) {
        remainder -= b;
        word |= 1U << bit;
      }
    }
    f.word_[i] = word;
  }
  return f;
}

static_assert(std::size(tables::kLn2Words) == Fixed::kMaxFractionWords,
              "tables.h holds the words of ln2 that Fixed::ln2 reads: regenerate it");

Fixed Fixed::ln2(int fraction_words) {
  Fixed f(fraction_words);
  for (int i = 1; i <= fraction_words; ++i) f.word_[i] = tables::kLn2Words[i - 1];
  return f;
}

Fixed operator+(const Fixed& a, const Fixed& b) {
  Fixed r(a.words_);
  std::uint64_t carry = 0;
  for (int i = a.words_; i >= 0; --i) {
    const std::uint64_t s = std::uint64_t{a.word_[i]} + b.word_[i] + carry;
    r.word_[i] = static_cast<std::uint32_t>(s);
    carry = s >> 32;
  }
  assert(carry == 0 && "Fixed: sum overflows");
  return r;
}

Fixed operator-(const Fixed& a, const Fixed& b) {
  Fixed r(a.words_);
  std::uint64_t borrow = 0;
  for (int i = a.words_; i >= 0; --i) {
    const std::uint64_t d = std::uint64_t{a.word_[i]} - b.word_[i] - borrow;
    r.word_[i] = static_cast<std::uint32_t>(d);
    borrow = (d >> 32) & 1;
  }
  assert(borrow == 0 && "Fixed: difference negative");
  return r;
}

Fixed operator*(const Fixed& a, const Fixed& b) {
  // Schoolbook product of the two (words + 1)-word integers, least significant word first in
  // `product`; the value is the product shifted right by 32 * words bits.
  const int n = a.words_ + 1;
  std::array<std::uint32_t, 2 * (Fixed::kMaxFractionWords + 1)> product{};
  for (int i = 0; i < n; ++i) {
    const std::uint64_t ai = a.word_[a.words_ - i];
    std::uint64_t carry = 0;
    for (int j = 0; j < n; ++j) {
      // At most (2^32 - 1)^2 + 2 (2^32 - 1) = 2^64 - 1: no overflow.
      const std::uint64_t t = ai * b.word_[b.words_ - j] + product[i + j] + carry;
      product[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    product[i + n] = static_cast<std::uint32_t>(carry);
  }
  assert(product[2 * n - 1] == 0 && "Fixed: product overflows");
  Fixed r(a.words_);
  for (int i = 0; i < n; ++i) r.word_[a.words_ - i] = product[i + a.words_];
  return r;
}

Fixed Fixed::times(std::uint32_t m) const {
  Fixed r(words_);
  std::uint64_t carry = 0;
  for (int i = words_; i >= 0; --i) {
    const std::uint64_t t = std::uint64_t{word_[i]} * m + carry;
    r.word_[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  assert(carry == 0 && "Fixed: product overflows");
  return r;
}

Fixed Fixed::divided_by(std::uint32_t d) const {
  Fixed r(words_);
  std::uint64_t remainder = 0;
  for (int i = 0; i <= words_; ++i) {
    const std::uint64_t t = (remainder << 32) | word_[i];
    r.word_[i] = static_cast<std::uint32_t>(t / d);
    remainder = t % d;
  }
  return r;
}

std::strong_ordering operator<=>(const Fixed& a, const Fixed& b) {
  for (int i = 0; i <= a.words_; ++i) {
    if (a.word_[i] != b.word_[i]) return a.word_[i] <=> b.word_[i];
  }
  return std::strong_ordering::equal;
}

Fixed Fixed::plus_units(std::uint32_t u) const {
  Fixed r(words_);
  r.word_[words_] = u;
  return *this + r;
}

Fixed Fixed::minus_units(std::uint32_t u) const {
  Fixed r(words_);
  r.word_[words_] = u;
  return *this < r ? Fixed(words_) : *this - r;
}

int Fixed::leading_bit() const {
  for (int i = 0; i <= words_; ++i) {
    if (word_[i] != 0) return 32 * (words_ - i) + 31 - std::countl_zero(word_[i]);
  }
  return -1;
}

std::uint64_t Fixed::bits(int low, int count) const {
  std::uint64_t result = 0;
  for (int k = count - 1; k >= 0; --k) {
    const int index = low + k;
    std::uint64_t bit = 0;
    if (index >= 0 && index < 32 * (words_ + 1)) {
      bit = (word_[words_ - index / 32] >> (index % 32)) & 1;
    }
    result = (result << 1) | bit;
  }
  return result;
}

}  // namespace kelvaro::exactmath
