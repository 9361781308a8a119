#pragma once
// Community-dynamics parameters from the four richness estimates N(1), N(2), M2(R1), M1(R2) and
// the observed counts: PHI (complement of extinction), GAMMA (complement of turnover), LAMBDA,
// altLAMBDA, B (colonising species), p(1) and p(2). The columns of a ReplicateTable index them:
// 1-4 the estimates, 5 PHI, 6 GAMMA, 7 LAMBDA, 8 altLAMBDA, 9 B, 10 spare, 11 p(1), 12 p(2).
// Single precision throughout, except B = N2 - PHI * N1, formed in double and rounded once.
// Zero divisors are not tested: infinities and NaN pass on.

#include <cstdint>

#include "dynamics/replicate_table.h"
#include "numeric/one_based.h"

namespace kelvaro {

// Parameter values indexed by column number (element 10 unused).
using ParameterValues = Array1<float, 12>;

// The observed counts R(1), R(2) of the data (species observed in Samples 1 and 2).
struct ObservedCounts {
  std::int32_t sample1 = 0;
  std::int32_t sample2 = 0;
};

// Derives replicate row i of the table, each result stored before a later step reads it:
//  1. range_adjust: N1 = value(i,1) becomes R(1) when its integer part is less than R(1) (a NaN,
//     infinite or out-of-range N1 counts as less); the same for N2 against R(2).
//  2-3. PHI = M2 / r1, GAMMA = M1 / r2 (r = real(detected(i, .)), the replicate's counts).
//  4. range_adjust: PHI and GAMMA above 1 become 1.0.
//  5-6. LAMBDA = N2 / N1, altLAMBDA = r2 / r1.
//  7. B = N2 - PHI * N1; range_adjust and B < 0: B = 0.0.
//  8-9. p(1) = R(1) / N1, p(2) = R(2) / N2 with the data's R.
// Writes columns 1, 2, 5..9, 11 and 12 of row i. NaN fails every comparison, so it is never
// adjusted. Requires: 1 <= i <= table.replicates().
void derive_replicate_parameters(ReplicateTable& table, std::int32_t i, bool range_adjust,
                                 ObservedCounts observed);

// The data values: the four estimates as given; PHI = M2(R1)/R(1) and GAMMA = M1(R2)/R(2), each
// 1.0 unless the quotient is below 1 (so NaN gives 1.0); LAMBDA = N(2)/N(1); altLAMBDA =
// R(2)/R(1); B = N(2) - PHI * N(1), 0.0 when below 0 (NaN stays); p(1) = R(1)/N(1), p(2) =
// R(2)/N(2). Independent of the range adjustment; value(10) is 0.0.
ParameterValues data_parameters(const Array1<float, 4>& estimates, ObservedCounts observed);

}  // namespace kelvaro
