#pragma once
// The accurate phase of exp and log: the value in fixed point with hundreds of bits (Taylor
// series of exp after reduction by ln 2; 2 atanh((m - 1)/(m + 1)) for log), a proven bound on
// its error, and rounding to the target format only when the whole error interval rounds to one
// number (Ziv's strategy: otherwise again with more bits). exp(x) for x != 0 and log(x) for
// x != 1 are transcendental (Lindemann), never a midpoint between two floating-point numbers, so
// a precise enough evaluation always decides; the hardest double cases known need about 120 bits.

#include <optional>

namespace kelvaro::exactmath {

// A binary floating-point format: significand bits and the least normal exponent.
struct Format {
  int precision;
  int min_exponent;
};
inline constexpr Format kDouble{53, -1022};
inline constexpr Format kFloat{24, -126};

// exp(x) rounded to nearest in `format` (returned as a double; for kFloat it converts to float
// exactly, or overflows to infinity as the float result does), or nothing when `fraction_words`
// words of fraction do not decide the rounding.
// Requires: 2^-54 <= |x| <= 746; Fixed's range of fraction words.
std::optional<double> exp_with_words(double x, Format format, int fraction_words);

// log(x) rounded to nearest double, or nothing when `fraction_words` words do not decide it.
// Requires: x positive and finite, x != 1; Fixed's range of fraction words.
std::optional<double> log_with_words(double x, int fraction_words);

// The same, trying 192, 320 and then 512 bits of fraction.
double accurate_exp(double x, Format format);
double accurate_log(double x);

}  // namespace kelvaro::exactmath
