#pragma once
// Error-free transformations of doubles (Knuth's two-sum, Dekker's fast two-sum and, through
// Veltkamp's splitting, Dekker's exact product): each returns hi = the rounded result of one
// operation and lo = the exact rounding error, so that hi + lo equals the exact result.
// Requires: IEEE-754 double arithmetic, round to nearest, every operation rounded on its own
// (no fused multiply-add contraction: built with -ffp-contract=off; no x87 extended precision).

#include "exactmath/strict_fp.h"

namespace kelvaro::exactmath {

// A value hi + lo with |lo| <= ulp(hi) / 2 where the producer says so.
struct DoubleSum {
  double hi;
  double lo;
};

// a + b exactly. Requires: no overflow.
inline DoubleSum two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double err = (a - (s - bb)) + (b - bb);
  return {s, err};
}

// a + b exactly, in three operations. Requires: a == 0 or |a| >= |b|; no overflow.
inline DoubleSum fast_two_sum(double a, double b) {
  const double s = a + b;
  const double err = b - (s - a);
  return {s, err};
}

// a split into hi + lo, each of at most 26 significant bits (Veltkamp; 2^27 + 1 splits a
// 53-bit significand into 26 and 27 bits, the 27-bit half's sign absorbing one bit).
// Requires: |a| < 2^995 (no overflow in the scaled copy).
inline DoubleSum split(double a) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double scaled = kSplitter * a;
  const double hi = scaled - (scaled - a);
  return {hi, a - hi};
}

// a * b exactly (Dekker). Requires: |a|, |b| < 2^995, and neither the product nor the partial
// products of the halves underflow (|a * b| >= 2^-969 or a * b == 0 suffices).
inline DoubleSum two_prod(double a, double b) {
  const double p = a * b;
  const DoubleSum as = split(a);
  const DoubleSum bs = split(b);
  const double err = (((as.hi * bs.hi - p) + as.hi * bs.lo) + as.lo * bs.hi) + as.lo * bs.lo;
  return {p, err};
}

}  // namespace kelvaro::exactmath
