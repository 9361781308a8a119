#pragma once
// Surveys of an assumed community simulated and analysed (library kelvaro_planner): the
// community and the designs it is surveyed with, the simulation's own random numbers, one
// simulated survey made into kelvaro's four blocks, the parameters' true values, one survey
// analysed in process as kelvaro analyses real data, and what a design's surveys say about each
// parameter (bias, precision, coverage). Everything is a pure function of its arguments and the
// simulation stream: the same seed gives the same bits on every platform and thread.
//
// Thread safety: every function is reentrant; a SimulationGenerator is a value used by one
// thread at a time.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "kelvaro/kelvaro.h"

namespace kelvaro::plan {

// The simulation's own random numbers: xoshiro256** (Blackman and Vigna, 2018), a small 64-bit
// generator of 256 bits of state, seeded through SplitMix64 (Steele, Lea and Flood, 2014). Each
// simulated survey draws from its own stream, a pure function of (seed, design, survey index),
// so results do not depend on which thread simulates which survey or in which order. The
// analysis of a simulated survey uses kelvaro's generator, seeded separately (analysis_seed).

class SimulationGenerator {
 public:
  // The stream of survey `survey` of the design with t1 = sites1, t2 = sites2 under `seed`.
  static SimulationGenerator for_survey(std::uint64_t seed, std::int32_t sites1,
                                        std::int32_t sites2, std::int64_t survey);
  // The stream that simulates the pilot of plausible community `community` of a plan under
  // `seed` (kelvaro/planner.h: PilotCommunities).
  static SimulationGenerator for_pilot(std::uint64_t seed, std::int64_t community);
  // A stream from 64 bits of key, its state filled by four SplitMix64 steps (never all zero).
  explicit SimulationGenerator(std::uint64_t key);

  std::uint64_t next();
  // Uniform on [0, 1): the top 53 bits as a multiple of 2^-53.
  double uniform();
  // Uniform on (0, 1]: 1 - uniform(), for logarithms.
  double uniform_open_at_zero() { return 1.0 - uniform(); }

 private:
  std::uint64_t s_[4];
};

// The seed that plausible community `community` of a plan under `seed` is surveyed with: its
// surveys' streams and analysis seeds are for_survey's and analysis_seed's under it, apart from
// the plan's own and from every other community's.
std::uint64_t community_seed(std::uint64_t seed, std::int64_t community);

// kelvaro's seed number for the analysis of survey `survey` of a design, derived from the same
// (seed, design, survey) by another path than the simulation stream. kelvaro's generator takes
// only bytes 0 and 2 of a seed number, and all-zero words when both are 0; so byte 0 is 1..255,
// byte 2 0..255 and the rest 0: 65280 distinct analysis streams, none degenerate, never the
// clock's seed 0.
std::int32_t analysis_seed(std::uint64_t seed, std::int32_t sites1, std::int32_t sites2,
                           std::int64_t survey);

// The assumed community of a planning run and the designs it is surveyed with.
// Sample 1's community holds `species` species; the first `persisting` of them are still present
// in Sample 2, joined there by `colonists` new species. Each species has a detection probability
// per site: in Sample 1 a draw from Beta(MEAN*K, (1-MEAN)*K), or MEAN for every species without
// heterogeneity; in Sample 2 that probability (or, with the carryover redrawn, a fresh draw from
// the same distribution) times the detection change R, at most 1. A colonist's Sample 2
// probability is a fresh draw times R.

// What a persisting species' detection probability does between the samples.
enum class Carryover {
  kKept,     // the same p in Sample 2 (the same observer, season and habitat)
  kRedrawn,  // a new p from the same distribution (another observer, season or habitat state)
};

struct Community {
  std::int32_t species = 0;     // N: richness of Sample 1's community
  std::int32_t persisting = 0;  // N*PHI: of those, species still present in Sample 2
  std::int32_t colonists = 0;   // C: species present in Sample 2 only
  double mean_detection = 0.0;  // MEAN, in (0, 1]
  // K, the Beta concentration (smaller is stronger heterogeneity); none: equal detection.
  std::optional<double> heterogeneity;
  double detection_change = 1.0;  // R: Sample 2's detection = R times Sample 1's
  Carryover carryover = Carryover::kKept;
};

// One survey design: the numbers of sites (or visits) of the two samples.
struct Design {
  std::int32_t sites1 = 0;
  std::int32_t sites2 = 0;
  bool operator==(const Design&) const = default;
};

// One simulated survey of the assumed community: every species of Sample 1's community is looked
// for at each of t1 sites, every species of Sample 2's community at each of t2 sites, each site
// detecting the species with its probability independently. The detections become kelvaro's four
// blocks as kelvaro-prep derives them from detection tables: f(i) and n(i) of each sample, and
// the species detected in both samples with Sample 2's data (Subset A) and Sample 1's (Subset B).
//
//   t1 = 2; species a detected at sites {1}, b at {1, 2}, c nowhere: f = (1, 1), n = (2, 1)

struct SimulatedSurvey {
  Survey survey;               // the four blocks; Sample 2 always present (maybe empty)
  std::int32_t observed1 = 0;  // R(1): species detected in Sample 1
  std::int32_t observed2 = 0;  // R(2)
};

// Draws one survey from g: for each of Sample 1's species in turn its detection probability, its
// Sample 1 sites and, when it persists, (with the carryover redrawn, its new probability and)
// its Sample 2 sites; then each colonist.
// Requires: 1 <= sites1, sites2 <= kMaxSampleSites; the community as Community says.
SimulatedSurvey simulate_survey(const Community& community, Design design, SimulationGenerator& g);

// The parameters a planning run reports, with the values the simulated community really has.
// With N species in Sample 1, S = N*PHI of them persisting and C colonists:
//   N(1) = N,  N(2) = S + C,  PHI = S / N,  GAMMA = S / (S + C),  LAMBDA = (S + C) / N,  B = C.
// Each value is kept as a fraction of whole numbers, so that whether an interval holds it is
// decided exactly. M2(R1), M1(R2), altLAMBDA, p(1) and p(2) are left out: their true values
// depend on which species a survey happened to observe.

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

// A simulated survey analysed as kelvaro analyses real data (run_survey, in process), reduced to
// what the planning summary needs: each reported parameter's estimate and printed interval, and
// the species observed.

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

// What a design's simulated surveys say about each reported parameter: bias, precision and how
// often the printed interval holds the truth.
//   mean_estimate    mean of the finite estimates
//   relative_bias    (mean_estimate - truth) / truth; none when the truth is 0
//   rmse             root mean square of (estimate - truth) over the finite estimates
//   coverage         share of ALL surveys whose printed interval holds the truth (a survey with
//                    no interval does not)
//   mean_width       mean of (upper - lower) over the finite intervals
//   capped_share     share of the surveys with an interval whose limit sits on the range
//                    adjustment's bound: PHI and GAMMA upper limit 1, B lower limit 0, N(1) and
//                    N(2) lower limit at the species observed; 0 for LAMBDA
// and the Monte Carlo standard errors of the first four, from the same surveys:
//   relative_bias_se sd(estimates) / sqrt(n) / truth, n the finite estimates (sample standard
//                    deviation, divisor n - 1); none when the truth is 0 or n < 2
//   rmse_se          by the delta method: sd(squared errors) / sqrt(n) / (2 rmse); 0 when every
//                    squared error is 0; none when n < 2
//   coverage_se      the share's standard error from its Wilson interval (share_standard_error
//                    below): about sqrt(c (1 - c) / S) inside (0, 1), S the surveys the coverage
//                    is a share of, and never 0: 1 / (S + 4) at c = 0 or 1
//   mean_width_se    sd(widths) / sqrt(m), m the finite intervals; none when m < 2
// and the coverage's Wilson interval at two standard errors, and the capped share's standard error
// as the coverage's. A value with nothing to average over is NaN.

struct ParameterSummary {
  double truth = 0.0;
  double mean_estimate = 0.0;
  double relative_bias = 0.0;
  double rmse = 0.0;
  double coverage = 0.0;
  double mean_width = 0.0;
  double capped_share = 0.0;
  std::int64_t surveys_estimated = 0;  // surveys with a finite estimate
  double relative_bias_se = 0.0;
  double rmse_se = 0.0;
  double coverage_se = 0.0;
  double mean_width_se = 0.0;
  double coverage_lower = 0.0;  // Wilson interval at two standard errors
  double coverage_upper = 0.0;
  double capped_share_se = 0.0;
};

struct DesignSummary {
  Design design;
  std::int64_t surveys = 0;
  double mean_observed1 = 0.0;  // species observed in Sample 1, mean over the surveys
  double mean_observed2 = 0.0;
  std::array<ParameterSummary, kReportedCount> parameters{};
};

// A share of trials with its binomial uncertainty: Wilson's score interval, whose limits for s
// successes of n trials at z standard errors are
//   (p + z^2/(2n) -+ z sqrt(p (1 - p)/n + z^2/(4 n^2))) / (1 + z^2/n),  p = s/n;
// it holds p and is never of zero width: 200 of 200 at z = 2 gives [0.9804, 1], 0 of 200
// [0, 0.0196]. Its standard error is the half-width at z = 2 over 2. Both NaN when n = 0.
// Requires: 0 <= successes <= trials.
struct ShareInterval {
  double lower = 0.0;
  double upper = 0.0;
};
ShareInterval wilson_interval(std::int64_t successes, std::int64_t trials, double z = 2.0);
double share_standard_error(std::int64_t successes, std::int64_t trials);

// Summarises the outcomes of one design's surveys, in the order given (the sums run in that
// order, so the same outcomes give the same bits). Requires: outcomes not empty.
DesignSummary summarise_design(Design design, std::span<const SurveyOutcome> outcomes,
                               const ReportedParameters& reported);

}  // namespace kelvaro::plan
