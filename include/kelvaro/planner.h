#pragma once
// Survey planning by simulation (library kelvaro_planner): what a user asks a planning run for
// and its checks, the run itself (every design's surveys simulated and analysed on the ordered
// pool's threads, kelvaro/survey_simulation.h), the targets a design should meet and the
// smallest design meeting them, the results as CSV, and a community fitted to a pilot survey.
// kelvaro-plan, the R package's kelvaro_plan() and the web page's Plan tab are this library with
// a face each: the same request gives the same checks, refusals and bytes in all three.
//
// Thread safety: every function is reentrant; run_plan and run_checked_plan start and join their
// own threads and call `progress` on the calling thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kelvaro/ordered_pool.h"
#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// A command-line value kelvaro-plan refuses; what() says what is wrong and how to put it right,
// without the program's name.

class OptionError : public std::runtime_error {
 public:
  explicit OptionError(const std::string& message) : std::runtime_error(message) {}
};

// What a planning run is asked to reach, and the answer: which designs meet every target, and the
// smallest of them. A target names a parameter and criteria on its summary:
//   "N(1):bias<=0.10,coverage>=0.90"   |relative bias| at most 0.10 and coverage at least 0.90
//   "PHI:rmse<=0.05"  "B:width<=20"    rmse, mean interval width at most the bound
// A criterion's margin is how far the design is inside it (bound - value for bias, rmse and
// width; value - bound for coverage); a design meets it when the margin is 0 or more, and the
// answer is uncertain when the margin is within two Monte Carlo standard errors of 0.

enum class Criterion {
  kBias,      // |relative_bias| <= bound
  kRmse,      // rmse <= bound
  kCoverage,  // coverage >= bound
  kWidth,     // mean_interval_width <= bound
};

struct Requirement {
  Criterion criterion = Criterion::kBias;
  double bound = 0.0;
};

struct Target {
  int parameter = 0;  // position in the reported order: N(1), N(2), PHI, GAMMA, LAMBDA, B
  std::vector<Requirement> requirements;
};

// For the rows of a design: whether parameter k meets every target on it; none when no target
// names it.
std::optional<bool> meets_targets(const DesignSummary& d, int k,
                                  const std::vector<Target>& targets);

// The answer for a grid, as one line without the program's name:
//   the smallest design that meets every target: 15 sites (sites1 = 15, sites2 = 15)
// (fewest sites in all, the first in the grid among equals), with "; uncertain: ..." naming a
// criterion within two standard errors; or, when none does,
//   no design in the grid meets every target; the closest: 60 sites (sites1 = 60, sites2 = 60),
//   where N(1) coverage is 0.665 (standard error 0.033) against >= 0.9
// (the closest: the smallest largest shortfall, as a share of its bound), with "; uncertain:
// within two standard errors of meeting it" when every shortfall is.
// Requires: designs and targets not empty.
std::string target_answer(const std::vector<DesignSummary>& designs,
                          const std::vector<Target>& targets);

// The community a pilot survey suggests: the detection frequencies f(i) of its t sites (species
// detected at exactly i sites) fitted by maximum likelihood with a zero-truncated beta-binomial.
// Each species has a detection probability p ~ Beta(MEAN*K, (1-MEAN)*K), and is detected at i of
// the t sites with probability
//   P(i) = C(t, i) B(i + MEAN*K, t - i + (1-MEAN)*K) / B(MEAN*K, (1-MEAN)*K);
// the species detected are those with i >= 1, so the likelihood is prod P(i)^f(i) / (1 - P(0))^R
// with R = sum f(i). The richness is N = R / (1 - P(0)) at the fit (the species missed are
// R P(0) / (1 - P(0))). Standard errors come from the observed information of (logit MEAN,
// log K) and, for N, the conditional-likelihood variance N P(0)/(1 - P(0)) + (dN)' V (dN).
// The logarithms are the project's correctly rounded ones and the search is a fixed sequence of
// steps, so the fit is the same on every IEEE-754 platform.

// A pilot survey reduced to what the fit needs.
struct DetectionFrequencies {
  std::int32_t sites = 0;       // t
  std::vector<std::int64_t> f;  // f(1..t), f[0] = f(1)
};

enum class PilotStatus {
  kFitted,
  kTooFewSites,  // t < 2: one site says nothing about how detection varies
  kNoDetection,  // no species detected
  // The likelihood grows towards N = infinity (mostly singletons, or strong heterogeneity over
  // few sites): a fit that puts over 1000 species in the community per species detected.
  kUnbounded,
};

struct PilotFit {
  PilotStatus status = PilotStatus::kFitted;
  std::int32_t sites = 0;
  std::int64_t observed = 0;    // R
  double species = 0.0;         // N: R / (1 - P(0))
  double mean_detection = 0.0;  // MEAN
  double heterogeneity = 0.0;   // K
  // K at the search's upper end: no more spread than equal detection would give (use 'none').
  bool equal_detection = false;
  double species_se = 0.0;  // NaN when the information cannot be inverted
  double mean_detection_se = 0.0;
  double heterogeneity_se = 0.0;
};

// Fits the frequencies. Requires: f.size() == sites, every f(i) >= 0, sites <= 98.
PilotFit fit_pilot(const DetectionFrequencies& pilot);

// A pilot survey read from a file, reduced to its detection frequencies f(1..t). The file is
// either one site-by-species CSV table, read as kelvaro-prep reads a sample's table (a value
// above 0 is a detection), or a kelvaro input, whose Sample 1 is taken (its first item is a
// number: t1 of the header). A table with 3 sites whose species were detected at 1, 1 and 3 sites
// gives t = 3, f = (2, 0, 1).

// Reads the pilot at `path`. Throws OptionError whose message starts with `option` and names the
// file, the line and what is wrong (a table kelvaro-prep refuses, a kelvaro input kelvaro
// refuses, a file that cannot be read).
DetectionFrequencies read_pilot(const std::string& path, const std::string& option);

// The same from the file's bytes already in memory (a file a page was given), `name` standing for
// its path. Throws OptionError with read_pilot's message without the option:
// "pilot.csv (comma-separated), line 3, column 2: ...".
DetectionFrequencies pilot_from_text(const std::string& text, const std::string& name);

// A planning run: every design's surveys simulated and analysed on a pool of threads, then
// summarised design by design. Each survey's random numbers depend only on (seed, design, survey
// index) and each design is summarised in survey order, so the result is the same, bit for bit,
// for any number of threads.

struct PlanSettings {
  Community community;
  std::vector<Design> designs;    // in output order
  std::int32_t surveys = 200;     // simulated surveys per design
  std::int32_t replicates = 100;  // bootstrap replicates of each analysis
  std::uint64_t seed = 400;       // fixes every simulation stream and analysis seed
  // Worker threads; 0: the calling thread simulates every survey itself (a page's WebAssembly,
  // which has no threads), with the same result.
  int threads = 1;
  // Starts them (tests inject one that fails); when fewer start, the run goes on with those
  // and tells threads_short(asked, used) once, before the first survey is done.
  ThreadFactory thread_factory = start_thread;
  std::function<void(int asked, int used)> threads_short;
};

// Told from the calling thread, about ten times a second and once at the end, how many of the
// total surveys are done. It may throw to stop the run (a user's interrupt, say).
using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

// One summary per design, in the designs' order. An exception in a worker (out of memory) or
// from `progress` stops the run and is rethrown here, once the workers have finished the
// surveys they were on. The surveys run on the ordered pool (kelvaro/ordered_pool.h).
// Requires: designs not empty, surveys >= 1, 1 <= replicates <= 10000, threads >= 0.
std::vector<DesignSummary> run_plan(const PlanSettings& settings,
                                    const ProgressCallback& progress = {});

// What a user asks a planning run for, as given (the command line's options, or a function's
// arguments in the R package), and its checks: a request becomes the settings of a run, or is
// refused with one message saying what is wrong and how to put it right. Whichever way the values
// came, they are checked here, so the refusals and the run are the same.
//
// Messages name the options as the caller's user writes them: "--detection-change" on the
// command line, "detection_change" as an argument:
//   --detection must be above 0 and at most 1 (a probability), not 1.5
//   detection must be above 0 and at most 1 (a probability), not 1.5

enum class OptionStyle {
  kCommandLine,  // --detection-change
  kArgument,     // detection_change
};

// Values a user may leave out are optional: the checks say which are needed.
struct PlanRequest {
  std::optional<std::int32_t> species;       // N: richness of Sample 1's community, 1..1000000
  double persistence = 1.0;                  // PHI: share of those present in Sample 2, 0..1
  std::int32_t colonists = 0;                // C: species new in Sample 2, 0..1000000
  std::optional<double> detection;           // MEAN: mean detection probability, in (0, 1]
  std::optional<std::string> heterogeneity;  // K as text (a positive number), or "none"
  double detection_change = 1.0;             // R: Sample 2's detection = R x Sample 1's
  // The designs as site lists: comma-separated values, each a number of sites (1..98) or a range
  // FIRST:LAST[:STEP] ("5,10,20", "5:50:5" = 5 10 ... 50, "2:7:2,40" = 2 4 6 40): equal numbers of
  // sites from `sites`, or every pair of `sites1` and `sites2`; one way or the other, not both.
  std::optional<std::string> sites;
  std::optional<std::string> sites1;
  std::optional<std::string> sites2;
  std::int32_t surveys = 200;  // simulated surveys per design, at least 1
  std::int32_t nreps = 100;    // bootstrap replicates of each analysis, 1..10000
  std::uint64_t seed = 400;    // fixes everything
  int threads = 1;             // worker threads, 1..1024
  // What the community's detection does between the samples: "kept" or "redrawn".
  std::string carryover = "kept";
  // A pilot survey's detection frequencies: species, detection and heterogeneity fitted from
  // them (fit_pilot) where the request leaves them out.
  std::optional<DetectionFrequencies> pilot;
  // Targets as text (above: "N(1):bias<=0.10,coverage>=0.90"), every one to be met.
  std::vector<std::string> targets;
  // Extend the designs upward (equal designs only) until every target is met or 98 sites.
  bool until_target = false;
};

// What threads defaults to when the user does not say: the machine's cores (1 when it cannot
// tell).
int default_threads();

// A checked request: the run's settings, and what the user should know about how values were
// taken (one line each, starting "note: ").
struct CheckedPlan {
  PlanSettings settings;
  std::vector<std::string> notes;
  std::vector<Target> targets;
  // With until_target: the step of the designs beyond the grid (0: no extension).
  std::int32_t extension_step = 0;
  // The pilot's fit, when a pilot was given, and its account (one line, without "note: ").
  std::optional<PilotFit> pilot_fit;
  std::string pilot_account;
};

// Checks `request` value by value (the pilot, the community, then the designs, the targets, then
// the run's size) and gives the run's settings. N x PHI persisting species is rounded to the
// nearest whole number, with a note when it was not one already. A pilot is fitted (fit_pilot)
// and its values, to six significant digits, stand in for species, detection and heterogeneity
// where the request leaves them out; a pilot that does not bound N is refused. Throws OptionError
// at the first value missing or refused.
CheckedPlan check_request(const PlanRequest& request, OptionStyle style);

// A checked plan run to its end: the grid's designs, and with --until-target designs beyond the
// grid, one at a time, until one meets every target. Each design's rows are those it has in any
// grid (run_plan), so an extended run gives the grid's rows and then the extension's.

// The summaries of the grid's designs, in order; then, when checked.extension_step > 0 and no
// design meets every target, those of (largest + step, largest + 2 step, ..., 98) sites in both
// samples up to the first that does (98 is tried even when the steps pass it). `progress` is
// told about the grid, then about each design beyond it.
std::vector<DesignSummary> run_checked_plan(const CheckedPlan& checked,
                                            const ProgressCallback& progress = {});

// The results of a planning run as CSV: a header row, then one row per design and reported
// parameter, designs in the order given and parameters in the order N(1), N(2), PHI, GAMMA,
// LAMBDA, B. Rows end in CR LF (RFC 4180), as kelvaro-tidy's do. Reals have six significant
// digits (printf %.6g), infinities Inf and -Inf; a value with nothing behind it (NaN) is NA.
//
// After surveys_estimated: the Monte Carlo standard errors of relative_bias, rmse and coverage
// (kelvaro/survey_simulation.h); meets_target, yes or no on the rows of a parameter a target names
// and empty on the others; and the community assumed (N, MEAN, K; K is Inf for equal detection).
//
//   sites1,sites2,parameter,true_value,mean_estimate,relative_bias,rmse,coverage,
//   mean_interval_width,share_interval_capped,mean_observed1,mean_observed2,surveys_estimated,
//   relative_bias_se,rmse_se,coverage_se,meets_target,assumed_species,assumed_detection,
//   assumed_heterogeneity
//   20,20,PHI,0.8,0.8012,0.0015,0.0513,0.945,0.2031,0.31,71.4,78.15,200,0.0036,0.0021,0.0161,
//   yes,100,0.2,2

std::string results_csv(const std::vector<DesignSummary>& designs,
                        const ReportedParameters& reported, const Community& community,
                        const std::vector<Target>& targets = {});

// The heterogeneity assumed as a number: K, or infinity for equal detection.
double assumed_heterogeneity(const Community& community);

// What a planning run shows while it goes, without the program's name (kelvaro-plan draws it on a
// terminal, the R package on its console):
//   [##########..........]  50%  1000 of 2000 surveys, about 4 s left
// "[##########..........]  50%  1000 of 2000 surveys, about 4 s left" for done of total after
// `elapsed` seconds; no time left is shown before the first survey is done.
std::string progress_text(std::int64_t done, std::int64_t total, double elapsed);

}  // namespace kelvaro::plan
