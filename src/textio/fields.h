#pragma once
// Number and text fields of the report: Iw, Fw.d, Aw, infinity and not-a-number fields, and the
// free-form integer, real and double items. Digits come from textio/decimal.h; this module only
// lays them out (sign, leading "0", width, asterisks). Each function appends to out.
//
//   Iw:   I6 of 1234567 -> "******"          I6 of -99999 -> "-99999"
//   Fw.d: F5.2 of 0.125 -> " 0.13"            F5.1 of 123.45f -> "123.4"
//         F4.2 of 0.5   -> "0.50"             F3.2 of 0.5 -> ".50"
//         F4.0 of 2.5   -> "  3."             F6.3 of -0.0004 -> "-0.000"
//         F5.1 of 99.96 -> "100.0"            F4.1 of 99.96 -> "****"
//         F10.4 of +Inf -> " +Infinity"       F8.3 of NaN -> "     NaN"
//   Aw:   A3 of "abcde" -> "abc"              A5 of "ab" -> "   ab"
//   free-form integer 400 -> "        400"
//   free-form real 1.0f -> "  1.0000000    "   1.0e8f -> " 1.00000000E+08"
//   free-form real 0.0f -> "  0.0000000    "
//   free-form double 0.5 -> " 0.50000000000000000     "

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvaro::textio {

// Iw: right-aligned, "-" before the digits; w asterisks when sign and digits need more than w.
// Requires: w >= 1.
void append_integer(std::string& out, std::int32_t v, int w);

// Fw.d of the exact value v (a float converts to double exactly): rounded to d decimals, halves
// away from zero; "-" whenever the sign bit is set (also -0.0 and values that round to zero);
// "0" before the point only when a column is free for it; infinities and NaN as append_special.
// Requires: w >= 1, d >= 0.
void append_fixed(std::string& out, double v, int w, int d);

// A (w < 0): the text as it stands. Aw: its first w characters, or right-aligned in w columns.
void append_text(std::string& out, std::string_view s, int w);

// An infinity or NaN in w columns: w < 3 gives w asterisks; NaN is "NaN" right-aligned;
// infinity is "Inf" (w = 3, "***" if negative), "+Inf"/"-Inf" (w 4..8), "+Infinity"/"-Infinity"
// (w >= 9), right-aligned.
// Requires: v is an infinity or NaN, w >= 0.
void append_special(std::string& out, double v, int w);

// Free-form items: the integer in 11 columns (more if needed), the real in 15 columns with 8
// significant digits, the double in 25 columns with 17 significant digits. Reals between 0.1 and
// 10^digits (after rounding) are in fixed form followed by 4 (double: 5) blanks; others are in
// exponent form (digits + 1 significant digits, 2 (double: 3) exponent digits).
void append_list_integer(std::string& out, std::int32_t v);
void append_list_real(std::string& out, float v);
void append_list_double(std::string& out, double v);

}  // namespace kelvaro::textio
