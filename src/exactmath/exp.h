#pragma once
// The exponential function in double precision, correctly rounded (to nearest, ties to even:
// the double nearest to the exact value) for every argument, so that it gives the same result on
// every IEEE-754 platform, whatever its maths library.
//   exp(0) = 1; exp(1) = 0x1.5bf0a8b145769p+1; exp(-745.2) = 0 (underflow); exp(-745) = 0x1p-1074,
//   the least subnormal (0.57 of it, rounded up); exp(709.79) = +inf (overflow); exp(-inf) = 0;
//   exp(+inf) = +inf; exp(NaN) = NaN; exp(-0.0) = 1.

namespace kelvaro::exactmath {

// e^x rounded to nearest. Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
double exp(double x);

}  // namespace kelvaro::exactmath
