#include "exactmath/accurate.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "exactmath/fixed_point.h"

namespace kelvaro::exactmath {

namespace {

// Precisions of the successive attempts, in 32-bit words of fraction.
constexpr int kAttemptWords[] = {6, 10, Fixed::kMaxFractionWords};

// value * 2^scale rounded half up at the format's last place: the last place of a significand of
// `precision` bits, or of the least subnormal for values below 2^min_exponent.
double round_half_up(const Fixed& value, int scale, Format format) {
  const int unit_bits = 32 * value.fraction_words();  // bit i weighs 2^(i - unit_bits + scale)
  const int lead = value.leading_bit();
  if (lead < 0) return 0.0;
  const int exponent = lead - unit_bits + scale;
  const int last_place = std::max(exponent, format.min_exponent) - format.precision + 1;
  const int last_bit = last_place + unit_bits - scale;  // index of the last kept bit
  assert(last_bit >= 1 && "round_half_up: value has too few bits");
  // The kept bits and the first dropped one, then half up: at most 2^precision.
  const std::uint64_t with_next = value.bits(last_bit - 1, lead - last_bit + 2);
  const std::uint64_t kept = (with_next + 1) >> 1;
  return std::ldexp(static_cast<double>(kept), last_place);  // exact, or overflow to infinity
}

// An approximation (-1)^negative * value * 2^scale, within error units of value of the truth.
struct Evaluation {
  Fixed value;
  int scale = 0;
  std::uint32_t error = 0;
  bool negative = false;
};

// The rounding of the evaluation, when every number within its error rounds alike.
std::optional<double> decide(const Evaluation& v, Format format) {
  // One more unit makes the interval open: a rounding boundary on its edge is not decided.
  const double low = round_half_up(v.value.minus_units(v.error + 1), v.scale, format);
  const double high = round_half_up(v.value.plus_units(v.error + 1), v.scale, format);
  if (low != high) return std::nullopt;
  return v.negative ? -low : low;
}

// The degree n of the Taylor polynomial of exp(r), r < 0.75, whose last term 0.75^n / n! is below
// 2^-(bits+2); the rest of the series, below 2 r^(n+1) / (n+1)!, is smaller still.
int exp_series_terms(int bits) {
  double term = 1.0;
  int n = 0;
  while (term >= std::ldexp(1.0, -bits - 2)) {
    ++n;
    term = term * 0.75 / n;
  }
  return n;
}

// Terms of the series atanh(z) / z = sum w^i / (2i + 1), w = z^2 <= 0.0295, before the tail,
// below w^n / (1 - w), falls under 2^-(bits+2).
int atanh_series_terms(int bits) {
  double tail = 1.0 / (1.0 - 0.0295);
  int n = 0;
  while (tail >= std::ldexp(1.0, -bits - 2)) {
    ++n;
    tail *= 0.0295;
  }
  return n;
}

// exp(x). Requires: 2^-54 <= |x| <= 746.
Evaluation evaluate_exp(double x, int fraction_words) {
  const int words = fraction_words;
  const Fixed magnitude = Fixed::from_double(std::fabs(x), words);  // exact: |x| >= 2^-54
  const Fixed ln2 = Fixed::ln2(words);

  // x = k ln2 + r with 0 <= r < ln2 (give or take the error of ln2): k from a double estimate,
  // off by at most one, corrected by exact comparisons.
  int k = static_cast<int>(std::floor(x * 1.4426950408889634));  // 1/ln2, rounded
  Fixed r(words);
  for (;;) {
    const Fixed k_ln2 = ln2.times(static_cast<std::uint32_t>(std::abs(k)));
    if (x >= 0.0 && k >= 0 && magnitude >= k_ln2) {
      r = magnitude - k_ln2;
    } else if (x < 0.0 && k < 0 && k_ln2 >= magnitude) {
      r = k_ln2 - magnitude;
    } else {
      --k;
      continue;
    }
    if (r >= ln2) {  // the estimate was one too low
      ++k;
      continue;
    }
    break;
  }

  // exp(r) = 1 + r (1 + r/2 (1 + r/3 (...))), innermost term first. Each step truncates twice
  // (product, quotient): its error e obeys e <= (0.75 e' + 1) / n + 1, which stays below 8 units.
  const Fixed one = Fixed::integer(1, words);
  Fixed sum = one;
  for (int n = exp_series_terms(32 * words); n >= 1; --n) {
    sum = one + (r * sum).divided_by(static_cast<std::uint32_t>(n));
  }
  // Errors, in units: series 8, remainder 1; r is low by up to |k| units (the truncation of ln2,
  // |k| times) and exp(r) < 2.2 turns that into 2.2 |k| units.
  return {sum, k, static_cast<std::uint32_t>(3 * std::abs(k) + 9), false};
}

// log(x). Requires: x positive and finite, x != 1.
Evaluation evaluate_log(double x, int fraction_words) {
  const int words = fraction_words;
  // x = 2^e * m exactly, with the 53-bit integer significand M = m 2^52 (subnormals normalised).
  int e = 0;
  const double m = std::frexp(x, &e);                                      // m in [0.5, 1): exact
  const auto significand = static_cast<std::uint64_t>(std::ldexp(m, 53));  // exact integer
  e -= 1;                                                                  // x = 2^e * M 2^-52
  // Bring m into [sqrt(1/2), sqrt(2)), in units of 2^-53: mu = 2M, or M with e + 1 when
  // M > sqrt(2) 2^52 (6369051672525772 = floor(sqrt(2) 2^52)).
  std::uint64_t mu = 2 * significand;
  if (significand > 6369051672525772ULL) {
    mu = significand;
    e += 1;
  }
  constexpr std::uint64_t kOne = 1ULL << 53;
  const bool above_one = mu > kOne;
  const std::uint64_t distance = above_one ? mu - kOne : kOne - mu;

  // log(mu) = 2 atanh(z), z = |mu - 1| / (mu + 1) <= 0.1716, w = z^2: atanh(z) = z sum w^i/(2i+1).
  const Fixed z = Fixed::ratio(distance, mu + kOne, words);  // error < 1 unit
  const Fixed w = z * z;                                     // error < 1.35 units
  const Fixed one = Fixed::integer(1, words);
  const int terms = atanh_series_terms(32 * words);
  Fixed sum = one.divided_by(static_cast<std::uint32_t>(2 * terms + 1));
  for (int i = terms - 1; i >= 0; --i) {
    sum = one.divided_by(static_cast<std::uint32_t>(2 * i + 1)) + w * sum;  // error <= 3 units
  }
  // z's error (1 unit) moves 2 atanh(z) by 2/(1 - z^2) < 2.1 units; w's, 0.1; the sum's
  // (2.1 units) and the product's truncation give z * sum 0.4 + 1 more.
  const Fixed half_log = z * sum;
  const Fixed log_m = half_log + half_log;

  // log x = e ln2 +- log_m, where |log_m| < ln2/2: the sign is e's when e != 0.
  const Fixed e_ln2 = Fixed::ln2(words).times(static_cast<std::uint32_t>(std::abs(e)));
  Fixed magnitude = log_m;
  bool negative = !above_one;
  if (e != 0) {
    negative = e < 0;
    magnitude = (above_one == (e > 0)) ? e_ln2 + log_m : e_ln2 - log_m;
  }
  // Errors, in units: log_m 2 (2.1 + 0.1 + 2.1 + 1.4) + series remainder 1 < 14; ln2 truncated,
  // |e| times.
  return {magnitude, 0, static_cast<std::uint32_t>(std::abs(e) + 14), negative};
}

// The rounding of the first evaluation, at kAttemptWords' successive precisions, that decides
// it; when even the finest does not (never met in practice: the hardest cases known need far
// fewer than 512 bits), that evaluation rounded anyway.
template <typename Evaluate>
double first_decided(Evaluate evaluate, Format format) {
  for (std::size_t attempt = 0;; ++attempt) {
    const Evaluation v = evaluate(kAttemptWords[attempt]);
    if (const auto r = decide(v, format)) return *r;
    if (attempt + 1 == std::size(kAttemptWords)) {
      const double r = round_half_up(v.value, v.scale, format);
      return v.negative ? -r : r;
    }
  }
}

}  // namespace

std::optional<double> exp_with_words(double x, Format format, int fraction_words) {
  return decide(evaluate_exp(x, fraction_words), format);
}

std::optional<double> log_with_words(double x, int fraction_words) {
  return decide(evaluate_log(x, fraction_words), kDouble);
}

double accurate_exp(double x, Format format) {
  return first_decided([x](int words) { return evaluate_exp(x, words); }, format);
}

double accurate_log(double x) {
  return first_decided([x](int words) { return evaluate_log(x, words); }, kDouble);
}

}  // namespace kelvaro::exactmath
