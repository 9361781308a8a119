#pragma once
// Chi-square distribution function: the power series of the incomplete gamma function for
// df <= 60 and x <= 100, a normal approximation of sqrt(2x) beyond. Double precision throughout.
// Callers receive a status besides the probability:
//   0 ordinary; -1 invalid argument (p = -1.0e25); 1 result outside 0..1 (p = 1.0e25).
//
//   cdtr(3.84, 1)  -> 0.9499565      cdtr(0, 3) -> 0, status 0      cdtr(-1, 3) -> -1.0e25, status
//   -1

#include <cstdint>

namespace kelvaro {

inline constexpr double kCdtrInvalid = -1.0e25;  // p for a negative x or df
inline constexpr double kCdtrOutside = 1.0e25;   // p for a result outside 0..1

// p = P(chi-square with df degrees of freedom <= x), with its status. Reentrant.
void cdtr(double x, std::int32_t df, double& p, std::int32_t& status);

// The upper tail 1 - P(chi-square with df d.f. <= x) that the tests report. A result cdtr flags as
// lying outside 0..1 (a hair above 1) is a probability of 1, so the tail is 0; an invalid
// argument gives 1 - (-1.0e25).
//   chi_square_upper_tail(0.4965, 2) -> about 0.780      chi_square_upper_tail(0, 2) -> 1
double chi_square_upper_tail(double x, std::int32_t df);

}  // namespace kelvaro
