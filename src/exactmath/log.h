#pragma once
// The natural logarithm in double precision, correctly rounded (to nearest, ties to even) for
// every argument, so that it gives the same result on every IEEE-754 platform.
//   log(1) = 0; log(2) = 0x1.62e42fefa39efp-1; log(0x1p-1074) = -0x1.74385446d71c3p+9;
//   log(+-0) = -inf; log(+inf) = +inf; log(x < 0) = NaN; log(-inf) = NaN; log(NaN) = NaN.

namespace kelvaro::exactmath {

// ln x rounded to nearest. Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
double log(double x);

}  // namespace kelvaro::exactmath
