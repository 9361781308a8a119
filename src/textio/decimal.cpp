// Exact decimal expansion of a double with a fixed-size base-10^9 big integer.
#include "textio/decimal.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "kelvaro/compat.h"
#include "kelvaro/numbers.h"

namespace kelvaro::textio {
namespace {

constexpr std::uint32_t kLimbBase = 1000000000;  // 10^9: nine decimal digits per limb
// 5^1074 * 2^53 < 10^768 needs 86 limbs; 2^1024 needs 35. 90 leaves a margin.
constexpr int kMaxLimbs = 90;
constexpr std::uint32_t kPow5Chunk = 1220703125;  // 5^13, the largest power of 5 below 2^31
constexpr int kPow5ChunkExp = 13;
constexpr int kPow2ChunkExp = 30;  // limb * 2^30 < 10^9 * 2^30 fits in 64 bits

// Little-endian limbs in base 10^9.
struct BigInt {
  std::uint32_t limb[kMaxLimbs];
  int size = 0;

  explicit BigInt(std::uint64_t v) {
    while (v != 0) {
      limb[size++] = static_cast<std::uint32_t>(v % kLimbBase);
      v /= kLimbBase;
    }
  }

  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < size; ++i) {
      std::uint64_t p = static_cast<std::uint64_t>(limb[i]) * factor + carry;
      limb[i] = static_cast<std::uint32_t>(p % kLimbBase);
      carry = p / kLimbBase;
    }
    while (carry != 0) {
      assert(size < kMaxLimbs && "decimal expansion overflow");
      limb[size++] = static_cast<std::uint32_t>(carry % kLimbBase);
      carry /= kLimbBase;
    }
  }

  void multiply_pow5(int k) {
    for (; k >= kPow5ChunkExp; k -= kPow5ChunkExp) multiply(kPow5Chunk);
    std::uint32_t rest = 1;
    for (; k > 0; --k) rest *= 5;
    if (rest != 1) multiply(rest);
  }

  void multiply_pow2(int k) {
    for (; k >= kPow2ChunkExp; k -= kPow2ChunkExp) multiply(std::uint32_t{1} << kPow2ChunkExp);
    if (k > 0) multiply(std::uint32_t{1} << k);
  }

  // Writes the decimal digits (most significant first, no leading zeros); returns their number.
  int to_digits(char* out) const {
    int n = 0;
    char buf[9];
    for (int i = size - 1; i >= 0; --i) {
      std::uint32_t v = limb[i];
      for (int j = 8; j >= 0; --j) {
        buf[j] = static_cast<char>('0' + v % 10);
        v /= 10;
      }
      int start = 0;
      if (i == size - 1) {
        while (start < 8 && buf[start] == '0') ++start;
      }
      std::memcpy(out + n, buf + start, static_cast<std::size_t>(9 - start));
      n += 9 - start;
    }
    return n;
  }
};

void strip_trailing_zeros(Decimal& dec) {
  while (dec.count > 0 && dec.digits[dec.count - 1] == '0') --dec.count;
}

// Keeps the first keep digits (keep may be 0) and rounds on the digit after them: the digits are
// exact, so a '5' or more there means the value is at or above the half-way point.
void round_at(Decimal& dec, int keep) {
  if (keep >= dec.count) return;
  if (keep < 0) {
    dec.count = 0;
    return;
  }
  bool up = dec.digits[keep] >= '5';
  dec.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && dec.digits[i] == '9') --i;
    if (i < 0) {  // all nines (or nothing kept): the carry makes a new leading 1
      dec.digits[0] = '1';
      dec.count = 1;
      dec.point += 1;
      return;
    }
    dec.digits[i] += 1;
    dec.count = i + 1;
  }
  strip_trailing_zeros(dec);
}

}  // namespace

void exact_decimal(double v, Decimal& out) {
  std::uint64_t bits = compat::bit_cast<std::uint64_t>(v);
  out.negative = (bits >> 63) != 0;
  int biased = static_cast<int>((bits >> 52) & 0x7FF);
  assert(biased != 0x7FF && "exact_decimal needs a finite value");
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  // value = mantissa * 2^exp2; 1075 = 1023 (bias) + 52 (fraction bits).
  int exp2 = biased == 0 ? -1074 : biased - 1075;
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  out.count = 0;
  out.point = 0;
  if (mantissa == 0) return;
  // Drop factors of two from the mantissa to keep the big integer short.
  int tz = std::countr_zero(mantissa);
  mantissa >>= tz;
  exp2 += tz;
  BigInt n(mantissa);
  int scale = 0;  // value = n / 10^scale
  if (exp2 >= 0) {
    n.multiply_pow2(exp2);
  } else {
    n.multiply_pow5(-exp2);  // m / 2^k = m * 5^k / 10^k
    scale = -exp2;
  }
  out.count = n.to_digits(out.digits);
  out.point = out.count - scale;
  strip_trailing_zeros(out);
}

void round_significant(Decimal& dec, int n) {
  assert(n >= 1);
  round_at(dec, n);
}

void round_decimals(Decimal& dec, int d) {
  assert(d >= 0);
  if (dec.count == 0) return;
  // Digits kept: those before the point (point of them) and d after it.
  round_at(dec, dec.point + d);
}

}  // namespace kelvaro::textio

namespace kelvaro {

std::optional<std::int64_t> printed_units(float v, int decimals) {
  // Below 10^12, with up to 6 decimals, the units stay below 10^18, inside 64 bits.
  if (!std::isfinite(v) || std::fabs(v) >= 1e12) return std::nullopt;
  textio::Decimal dec;
  textio::exact_decimal(v, dec);
  textio::round_decimals(dec, decimals);
  std::int64_t units = 0;
  for (int i = 0; i < dec.count; ++i) units = units * 10 + (dec.digits[i] - '0');
  // The value is 0.d1..dcount x 10^point; after rounding no digit lies beyond `decimals`.
  for (int k = dec.point + decimals - dec.count; k > 0; --k) units *= 10;
  return dec.negative ? -units : units;
}

}  // namespace kelvaro
