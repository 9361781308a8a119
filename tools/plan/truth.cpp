#include "plan/truth.h"

namespace kelvaro::plan {

ReportedParameters reported_parameters(const Community& c) {
  const std::int64_t n1 = c.species;
  const std::int64_t s = c.persisting;
  const std::int64_t n2 = s + c.colonists;
  // Indices into kelvaro's parameter list: N(1), N(2), M2(R1), M1(R2), PHI, GAMMA, LAMBDA,
  // altLAMBDA, B, p(1), p(2). The report prints the counts with 2 decimals, the rest with 4.
  return {{
      {"N(1)", 0, 2, IntervalCap::kObservedSample1, {n1, 1}},
      {"N(2)", 1, 2, IntervalCap::kObservedSample2, {n2, 1}},
      {"PHI", 4, 4, IntervalCap::kOne, {s, n1}},
      {"GAMMA", 5, 4, IntervalCap::kOne, {s, n2}},
      {"LAMBDA", 6, 4, IntervalCap::kNone, {n2, n1}},
      {"B", 8, 2, IntervalCap::kZero, {c.colonists, 1}},
  }};
}

}  // namespace kelvaro::plan
