#pragma once
// The parameters a planning run reports, with the values the simulated community really has.
// With N species in Sample 1, S = N*PHI of them persisting and C colonists:
//   N(1) = N,  N(2) = S + C,  PHI = S / N,  GAMMA = S / (S + C),  LAMBDA = (S + C) / N,  B = C.
// Each value is kept as a fraction of whole numbers, so that whether an interval holds it is
// decided exactly. M2(R1), M1(R2), altLAMBDA, p(1) and p(2) are left out: their true values
// depend on which species a survey happened to observe.

#include <array>
#include <cstdint>

#include "plan/community.h"

namespace kelvaro::plan {

// A non-negative number num / den. Requires: den >= 1.
struct Fraction {
  std::int64_t num = 0;
  std::int64_t den = 1;
  double value() const { return static_cast<double>(num) / static_cast<double>(den); }
};

// The bound that kelvaro's range adjustment can put on a bootstrap interval.
enum class IntervalCap {
  kNone,             // LAMBDA
  kObservedSample1,  // N(1): a lower limit raised to R(1), the species observed in Sample 1
  kObservedSample2,  // N(2): to R(2)
  kOne,              // PHI, GAMMA: an upper limit held at 1
  kZero,             // B: a lower limit held at 0
};

struct ReportedParameter {
  const char* name;  // as kelvaro's parameter table names it
  int index;         // position in kelvaro's RunResult::parameters
  int decimals;      // decimals of the report's parameter table
  IntervalCap cap;
  Fraction truth;
};

inline constexpr int kReportedCount = 6;
using ReportedParameters = std::array<ReportedParameter, kReportedCount>;

// N(1), N(2), PHI, GAMMA, LAMBDA, B with their true values.
// Requires: N >= 1, S + C >= 1.
ReportedParameters reported_parameters(const Community& community);

}  // namespace kelvaro::plan
