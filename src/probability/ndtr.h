#pragma once
// Standard normal distribution function by a five-term rational approximation
// (absolute error about 1.5e-7; ndtr(0) = 0.50000015). Double precision throughout.

namespace kelvaro {

// p = P(Z <= z) for a standard normal Z. Reentrant; no shared storage.
void ndtr(double z, double& p);

}  // namespace kelvaro
