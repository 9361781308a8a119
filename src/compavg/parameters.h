#pragma once
// Community-dynamics parameters from the four richness estimates N(1), N(2), M2(R1), M1(R2) and
// the observed counts: PHI (complement of extinction), GAMMA (complement of turnover), LAMBDA,
// altLAMBDA, B (colonising species), p(1) and p(2). Column numbers of work04.boot index them:
// 1-4 the estimates, 5 PHI, 6 GAMMA, 7 LAMBDA, 8 altLAMBDA, 9 B, 10 spare, 11 p(1), 12 p(2).
// Single precision throughout, except B = N2 - PHI * N1, formed in double and rounded once.
// Zero divisors are not tested: infinities and NaN pass on.

#include <cstdint>

#include "shared/array.h"

namespace kelvaro {

// Parameter values indexed by column number (element 10 unused).
using ParameterValues = Array1<float, 12>;

// Derives replicate row i, each result stored in work04.boot before a later step reads it:
//  1. swtch != 0: N1 = boot(i,1) becomes R(1) when its integer part is less than work03.nobs(1)
//     (a NaN, infinite or out-of-range N1 counts as less); the same for N2 against nobs(2).
//  2-3. PHI = M2 / r1, GAMMA = M1 / r2 (r = real(work04.nobsb(i, .)), the replicate's counts).
//  4. swtch != 0: PHI and GAMMA above 1 become 1.0.
//  5-6. LAMBDA = N2 / N1, altLAMBDA = r2 / r1.
//  7. B = N2 - PHI * N1; swtch != 0 and B < 0: B = 0.0.
//  8-9. p(1) = R(1) / N1, p(2) = R(2) / N2 with the data's R = real(work03.nobs).
// Reads work03.nobs(1..2), work04.boot(i,1..4), work04.nobsb(i,1..2); writes work04.boot(i,1),
// boot(i,2) and boot(i,5..9), boot(i,11..12). NaN fails every comparison, so it is never adjusted.
// Requires: 1 <= i <= 10000.
void replicate_parameters(int i, std::int32_t swtch);

// The data values: work03.nest(1..4) as stored; PHI = M2(R1)/R(1) and GAMMA = M1(R2)/R(2), each
// 1.0 unless the quotient is below 1 (so NaN gives 1.0); LAMBDA = N(2)/N(1); altLAMBDA =
// R(2)/R(1); B = N(2) - PHI * N(1), 0.0 when below 0 (NaN stays); p(1) = R(1)/N(1), p(2) =
// R(2)/N(2). Independent of swtch. Reads work03.nobs(1..2) and work03.nest(1..4); writes only
// value (value(10) is set to 0.0).
void data_parameters(ParameterValues& value);

}  // namespace kelvaro
