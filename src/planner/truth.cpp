#include "kelvaro/kelvaro.h"
#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

ReportedParameters reported_parameters(const Community& c) {
  const std::int64_t n1 = c.species;
  const std::int64_t s = c.persisting;
  const std::int64_t n2 = s + c.colonists;
  // A parameter by its position in kelvaro's summary, named and printed as the report does.
  const auto parameter = [](int index, IntervalCap cap, Fraction truth) {
    const ParameterDefinition& p = kParameterDefinitions[static_cast<std::size_t>(index)];
    return ReportedParameter{p.name, index, p.decimals, cap, truth};
  };
  return {{
      parameter(0, IntervalCap::kObservedSample1, {n1, 1}),
      parameter(1, IntervalCap::kObservedSample2, {n2, 1}),
      parameter(4, IntervalCap::kOne, {s, n1}),
      parameter(5, IntervalCap::kOne, {s, n2}),
      parameter(6, IntervalCap::kNone, {n2, n1}),
      parameter(8, IntervalCap::kZero, {c.colonists, 1}),
  }};
}

}  // namespace kelvaro::plan
