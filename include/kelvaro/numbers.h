#pragma once
// Numbers computed the same on every platform, for the programs that compute beside the library:
// the exponential and the logarithm correctly rounded for every argument (the library's own), and
// a value as the report prints it, in whole units of its last decimal.
//
// Floating-point evaluation exactly as written, which the error bounds of these functions assume
// (and which a caller computing with them needs for platform-independent results): every double
// operation rounded to double on its own, with no wider intermediate precision and no contraction
// of a multiply and an add into one fused operation. Include before any arithmetic; build with
// -ffp-contract=off.

#include <cfloat>
#include <cstdint>
#include <optional>

static_assert(FLT_EVAL_METHOD == 0, "kelvaro needs double operations rounded to double");
#if defined(__clang__)
// Clang contracts a * b + c into a fused multiply-add within a statement unless told not to;
// GCC in ISO C++ mode (-std=c++20) does not, and the build passes -ffp-contract=off as well.
#pragma STDC FP_CONTRACT OFF
#endif

namespace kelvaro {

namespace exactmath {

// The exponential function in double precision, correctly rounded (to nearest, ties to even:
// the double nearest to the exact value) for every argument, so that it gives the same result on
// every IEEE-754 platform, whatever its maths library.
//   exp(0) = 1; exp(1) = 0x1.5bf0a8b145769p+1; exp(-745.2) = 0 (underflow); exp(-745) = 0x1p-1074,
//   the least subnormal (0.57 of it, rounded up); exp(709.79) = +inf (overflow); exp(-inf) = 0;
//   exp(+inf) = +inf; exp(NaN) = NaN; exp(-0.0) = 1.
// Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
double exp(double x);

// The natural logarithm in double precision, correctly rounded (to nearest, ties to even) for
// every argument, so that it gives the same result on every IEEE-754 platform.
//   log(1) = 0; log(2) = 0x1.62e42fefa39efp-1; log(0x1p-1074) = -0x1.74385446d71c3p+9;
//   log(+-0) = -inf; log(+inf) = +inf; log(x < 0) = NaN; log(-inf) = NaN; log(NaN) = NaN.
// Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
double log(double x);

// The exponential function in single precision, correctly rounded (to nearest, ties to even)
// for every float argument, so that it gives the same result on every IEEE-754 platform.
//   expf(0) = 1; expf(1) = 0x1.5bf0a8p+1; expf(-103.98f) = 0 (underflow); expf(-100) = 0x1.bp-145,
//   a subnormal (a multiple of 2^-149); expf(88.73f) = +inf (overflow); expf(-inf) = 0;
//   expf(+inf) = +inf; expf(NaN) = NaN; expf(-0.0f) = 1.
// Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
float expf(float x);

}  // namespace exactmath

// v as a report field with `decimals` decimals prints it (halves away from zero, judged on the
// exact stored value), in units of 10^-decimals: 0.12345f, 4 -> 1235; 0.125f, 2 -> 13;
// -0.125f, 2 -> -13. None when v is not finite or its magnitude is 10^12 or more.
// Requires: 0 <= decimals <= 6.
std::optional<std::int64_t> printed_units(float v, int decimals);

}  // namespace kelvaro
