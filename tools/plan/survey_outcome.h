#pragma once
// A simulated survey analysed as kelvaro analyses real data (run_survey, in process), reduced to
// what the planning summary needs: each reported parameter's estimate and printed interval, and
// the species observed.

#include <array>
#include <cstdint>

#include "plan/survey_simulator.h"
#include "plan/truth.h"

namespace kelvaro::plan {

struct ParameterOutcome {
  float estimate = 0.0f;  // from the data, not rounded
  float lower = 0.0f;     // 95% percentile interval
  float upper = 0.0f;
};

struct SurveyOutcome {
  // The run reached the parameter summary (it does not when Sample 2 has no species observed).
  bool estimated = false;
  std::array<ParameterOutcome, kReportedCount> parameters{};  // in ReportedParameters order
  std::int32_t observed1 = 0;
  std::int32_t observed2 = 0;
};

// Runs kelvaro on the survey with `replicates` bootstrap replicates, seed number `seed` and the
// range adjustment on. A run that is refused or ends early gives estimated = false.
// Requires: 1 <= replicates <= 10000, seed != 0.
SurveyOutcome analyse_survey(const SimulatedSurvey& simulated, const ReportedParameters& reported,
                             std::int32_t replicates, std::int32_t seed);

}  // namespace kelvaro::plan
