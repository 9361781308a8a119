#pragma once
// Floating-point evaluation exactly as written, which the error bounds of exactmath assume: every
// double operation rounded to double on its own, with no wider intermediate precision and no
// contraction of a multiply and an add into one fused operation. Include before any arithmetic.

#include <cfloat>

static_assert(FLT_EVAL_METHOD == 0, "exactmath needs double operations rounded to double");

#if defined(__clang__)
// Clang contracts a * b + c into a fused multiply-add within a statement unless told not to;
// GCC in ISO C++ mode (-std=c++20) does not, and the build passes -ffp-contract=off as well.
#pragma STDC FP_CONTRACT OFF
#endif
