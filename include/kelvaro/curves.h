#pragma once
// Richness by effort: sample-based rarefaction and extrapolation curves of incidence data, with
// sample coverage, and two samples compared at equal effort and at equal coverage (Chao et al.
// 2014, Ecological Monographs 84: 45-67; Colwell et al. 2012, Journal of Plant Ecology 5: 3-21;
// Chao & Jost 2012, Ecology 93: 2533-2547). Data of the result, never lines of the report.
//
// A block's curve is made from its number of sites T and its incidence frequencies Q_k (the f(k)
// of the block: species detected at exactly k of the T sites), with
//   S = Q_1 + ... + Q_T species observed, U = 1 Q_1 + 2 Q_2 + ... + T Q_T incidences,
//   Q0 = ((T-1)/T) Q1^2 / (2 Q2), or ((T-1)/T) Q1 (Q1 - 1) / 2 when Q2 = 0 (undetected species),
//   A  = (T-1) Q1 / ((T-1) Q1 + 2 Q2), or (T-1)(Q1-1) / ((T-1)(Q1-1) + 2) when Q2 = 0, or 0 when
//        Q1 = 0; A = 1 - Q1 / (T Q0 + Q1) in every case with Q1 > 0 (the share of the undetected
//        species that one more site leaves undetected).
// At t sites (t = 1..T interpolated, T observed, T + m extrapolated):
//   richness  S(t) = sum over k of Q_k [1 - C(T-k, t) / C(T, t)]           t <= T
//             S(T + m) = S + Q0 [1 - A^m]                                  m >= 0
//   coverage  C(t) = 1 - sum over k of (k Q_k / U) C(T-k, t) / C(T-1, t)  t < T
//             C(T + m) = 1 - (Q1 / U) A^(m+1)                              m >= 0
// C(t) is the estimated share of the assemblage's total detection probability that belongs to
// species detected in t sites: the incidence form of the coverage of Chao et al. 2014, whose
// unbiased estimate of pi (1 - pi)^t from T sites is (Y / T) C(T-Y, t) / C(T-1, t) for a species
// detected at Y sites, and whose estimate of the total detection probability is U / T. At T it is
// 1 - (Q1 / U) A, the sample's own coverage; beyond T every site leaves the share A of the
// remaining deficit, as the extrapolated richness does. With Q2 = 0, A is the form that matches
// the Q2 = 0 form of Q0 (with A = 1 there, coverage would never grow while richness still did).
// The binomial ratios are products of factors below 1 formed site by site, never factorials, so
// that no value overflows for any T; A^m is exp(m log A) with the correctly rounded exp and log
// of kelvaro/numbers.h, so every platform gives the same digits.
//
// Worked example: T = 4, Q = (3, 1, 0, 1): S = 5, U = 9, Q0 = 27/8, A = 9/11;
//   S(1..4) = 9/4, 10/3, 17/4, 5;   C(1..4) = 14/27, 16/27, 2/3, 8/11;
//   S(5) = 5 + (27/8)(2/11) = 247/44;   C(5) = 1 - (1/3)(9/11)^2 = 94/121.
//
// Intervals (95%) come from a bootstrap of the estimated assemblage, as Chao et al. 2014 describe
// it for incidence data (after Chao & Jost 2012):
//   1. the assemblage: each observed species detected at Y sites has detection probability
//      pi(Y) = (Y/T) [1 - lambda (1 - Y/T)^T], with lambda = (Q1/T) A / sum over species of
//      (Y/T)(1 - Y/T)^T (0 when Q1 A = 0); ceil(Q0) undetected species have (Q1/T) A / ceil(Q0)
//      each. The probabilities add up to U / T, and the undetected species' share to the
//      coverage deficit (U/T)(1 - C(T)).
//   2. a replicate: every species' row of a new T-site incidence table, each site a Bernoulli
//      draw with the species' probability pi (a uniform u per site, detected when u < pi; for
//      pi below 1/16 or above 15/16 drawn with the same distribution as geometric runs between
//      the rare detections or misses, one uniform for each), its frequencies Q*_k, and the curve
//      and the comparisons recomputed from Q* with the formulas above.
//   3. the interval at each point: estimate -/+ 1.96 s, s the standard deviation of the
//      replicates' values (divisor B - 1), as Chao et al. 2014 give it; the richness lower limit
//      is held at 0 or above.
// Uniforms come from kelvaro's generator seeded as a run seeds it (seed number, or the clock value
// with seed 0), each block from its own stretch of that stream (2^50 draws apart, by block
// number), so a block's intervals depend on its data, the seed and the replicates alone: the same
// seed gives the same intervals.
//
// Degenerate blocks give defined values, and a warning says what they mean: no species (richness
// 0, no coverage, no interval), one site (nothing is known of undetected species: flat beyond T,
// coverage 1, intervals without width), every species at every site (the same), Q1 = 0 (no
// undetected species: flat beyond T, coverage 1 at T), Q2 = 0 (the forms above). No value is
// ever NaN: a value that does not exist is an empty optional, and a warning says why.
//
// Thread safety: every function is reentrant; results are plain values.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

// One block's incidence data.
struct Incidence {
  BlockNumber block = kSample1;  // names the block and picks its stretch of the stream
  std::int32_t sites = 0;        // T, 1..kMaxCurveSites / 2
  // Q_1..Q_T: species detected at exactly k sites (index k-1); missing classes are 0.
  std::vector<std::int32_t> frequencies;
};

struct CurveSettings {
  std::int32_t replicates = 50;  // bootstrap replicates; 0 or 1: no intervals (a warning says so)
  std::int32_t seed = 400;       // as a run's seed number; 0 takes the clock value below
  // With seed 0: the clock value to seed from (a run's RunResult::clock_seed); none: the clock.
  std::optional<std::int32_t> clock_seed;
  // The last number of sites of every block's curve, 1..kMaxCurveSites; none: 2T of each block.
  std::optional<std::int32_t> endpoint;
  // The comparison at equal effort at this many sites (>= 1); none: the smaller T.
  std::optional<std::int32_t> effort;
  // The comparison at equal coverage at this coverage (0 < C <= 1); none: the lower of the two
  // samples' coverages at twice their own numbers of sites (Chao & Jost 2012).
  std::optional<double> coverage;
};

// The longest curve asked for: 100,000 sites.
inline constexpr std::int32_t kMaxCurveSites = 100000;

// The settings a run's result implies: its replicates, seed and clock value.
CurveSettings curve_settings(const RunResult& result);

enum class CurveKind { kInterpolated, kObserved, kExtrapolated };

// "interpolated", "observed", "extrapolated".
const char* curve_kind_name(CurveKind kind);

struct CurvePoint {
  std::int32_t sites = 0;  // t
  CurveKind kind = CurveKind::kInterpolated;
  double richness = 0.0;
  std::optional<double> lower;  // 95% interval; none without replicates or species
  std::optional<double> upper;
  std::optional<double> coverage;  // none when no species was observed
};

struct BlockCurve {
  BlockNumber block = kSample1;
  std::int32_t sites = 0;          // T
  double observed = 0.0;           // S
  double undetected = 0.0;         // Q0
  std::int32_t replicates = 0;     // behind the intervals (0: none)
  std::vector<CurvePoint> points;  // t = 1..endpoint
};

// What a comparison holds fixed: the number of sites, or the coverage.
enum class Standard { kEffort, kCoverage };

// "effort", "coverage".
const char* standard_name(Standard standard);

// One sample's richness in a comparison.
struct StandardisedRichness {
  Standard standard = Standard::kEffort;
  BlockNumber block = kSample1;
  // Sites: the effort asked for; at equal coverage the effort that reaches it, a real number
  // (below T linearly interpolated between the whole numbers of sites around it, as is the
  // richness; above T solved from C(T + m)); none when it is reached only at infinite effort
  // (coverage 1 with Q1 > 0), where the richness is the asymptote S + Q0.
  std::optional<double> sites;
  CurveKind kind = CurveKind::kInterpolated;
  double richness = 0.0;
  std::optional<double> lower;  // 95% interval; none without replicates
  std::optional<double> upper;
  std::optional<double> coverage;  // the coverage held, or the coverage at the effort held
};

enum class CurveWarningKind {
  kInvalidData,            // no sites, a negative frequency, or a class above T: no curve
  kNoIncidence,            // the block's f(i) are not in the result (frequency pair): no curve
  kNoSpecies,              // no species observed: richness 0, no coverage, no interval
  kOneSite,                // nothing is known of undetected species; intervals without width
  kEverySiteEverySpecies,  // every species at every site: intervals without width
  kNoIntervals,            // fewer than 2 replicates, or an assemblage too large to draw
  kBeyondDoubleEffort,     // extrapolated beyond 2T: unreliable there
  kSettingRefused,         // an endpoint, effort or coverage out of range: not used
  kComparisonSkipped,      // a sample without species: no comparison at equal coverage
  kInfiniteEffort,         // coverage 1 is reached only at infinite effort: the asymptote
};

// "invalid_data", "no_incidence", "no_species", "one_site", "every_site_every_species",
// "no_intervals", "beyond_double_effort", "setting_refused", "comparison_skipped",
// "infinite_effort".
const char* curve_warning_kind_name(CurveWarningKind kind);

struct CurveWarning {
  CurveWarningKind kind;
  std::string block;  // "Sample 1", ..., "curves" (every curve's setting) or "comparison"
  std::string text;   // what was found and what it means
};

// "kelvaro: warning: Sample 1: <text>", as format_warning writes a run's warnings.
std::string format_warning(const CurveWarning& w);

struct ResultCurves {
  std::vector<BlockCurve> blocks;                  // in the order given
  std::vector<StandardisedRichness> standardised;  // effort rows, then coverage rows
  std::vector<CurveWarning> warnings;
  std::int32_t clock_seed = 0;  // with seed 0: the clock value the replicates were seeded from
};

// The curves of the blocks given (a block refused for its data is left out, with a warning), and,
// when Sample 1 and Sample 2 are both among them, the comparison of the two: rows for Sample 1
// then Sample 2 at equal effort, then the same at equal coverage (when both have species).
// Cost per curve and replicate: O(T K) operations (K: the frequency classes that hold species)
// and at most one uniform per site of each species; a curve of T = 1,000 sites and 1,000 species
// with 50 replicates takes about a tenth of a second.
// Requires: nothing; bad data and settings give warnings, as above.
ResultCurves estimate_curves(const std::vector<Incidence>& blocks, const CurveSettings& settings);

// The curves of a run's two samples (Samples 1 and 2 when the run has both): the blocks whose
// species make an assemblage sampled by their sites. The subsets are left out: their species
// are chosen by detection in the other sample, so their accumulation is not an assemblage's.
// T is the block's sites and Q its f(1..T) (with the frequency pair, the plain f(i) of its M(h)
// test; a block without them is left out with a warning).
ResultCurves result_curves(const RunResult& result, const CurveSettings& settings);

// What result_curves takes of a run: its samples' incidence, and the warning for each sample
// left out. A program that keeps it (a few numbers per site) makes the run's curves later, with
// settings of its choosing, without the result: estimate_curves(samples, settings) with the
// warnings `left_out` before the curves' own is result_curves(result, settings).
struct RunIncidence {
  std::vector<Incidence> samples;
  std::vector<CurveWarning> left_out;
};
RunIncidence run_incidence(const RunResult& result);

}  // namespace kelvaro
