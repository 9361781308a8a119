#pragma once
// The exponential function in single precision, correctly rounded (to nearest, ties to even)
// for every float argument, so that it gives the same result on every IEEE-754 platform.
//   expf(0) = 1; expf(1) = 0x1.5bf0a8p+1; expf(-103.98f) = 0 (underflow); expf(-100) = 0x1.bp-145,
//   a subnormal (a multiple of 2^-149); expf(88.73f) = +inf (overflow); expf(-inf) = 0;
//   expf(+inf) = +inf; expf(NaN) = NaN; expf(-0.0f) = 1.

namespace kelvaro::exactmath {

// e^x rounded to nearest float. Reentrant; no shared storage.
// Requires: built without floating-point contraction (-ffp-contract=off).
float expf(float x);

}  // namespace kelvaro::exactmath
