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
// width; value - bound for coverage); a design meets it when the margin is 0 or more. It is
// decided when the bound lies beyond two Monte Carlo standard errors of the value: for bias, rmse
// and width the margin is more than twice the standard error (or the standard error is 0: every
// survey gave the same value); for coverage, a share, the bound lies outside the coverage's
// Wilson interval at two standard errors (survey_simulation.h), which is never of zero width, so
// that 200 intervals of 200 holding the truth decide coverage >= 0.98 but not >= 0.99. A
// criterion without a value (no survey gave an estimate) is not met, and decided.

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

// The answer for a grid of one round of surveys (no more surveys added, no pilot's communities:
// plan_survey gives the full answer), as one line without the program's name:
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
  // What reading them found worth a warning, one line each without "warning: " (a fractional
  // f(i) taken as its whole part, as kelvaro takes it).
  std::vector<std::string> warnings;
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

// Fits the frequencies. Requires: f.size() == sites, every f(i) >= 0, sites <= kMaxSampleSites.
PilotFit fit_pilot(const DetectionFrequencies& pilot);

// A fit is ill-determined when N's standard error is above half of N (or unknown), or K sits at
// a bound of its search (equal detection: the pilot shows no spread among species). A plan from
// it warns, saying what more pilot data would settle, and its answer says it rests on it.
// Gives the warning (without "warning: "), or nothing for a well-determined fit.
std::optional<std::string> ill_determined_fit(const PilotFit& fit);

// A pilot survey read from a file, reduced to its detection frequencies f(1..t). The file is
// either one site-by-species CSV table, read as kelvaro-prep reads a sample's table (a value
// above 0 is a detection), or a kelvaro input, whose Sample 1 is taken (its first item is a
// number: t1 of the header). A table with 3 sites whose species were detected at 1, 1 and 3 sites
// gives t = 3, f = (2, 0, 1). Either is read as a stream, with the bounds kelvaro-prep and
// kelvaro read with (a row of a table longer than 16 MiB, a 99th site, nothing read after a
// kelvaro input's Sample 1), so that no file, however large (/dev/zero), takes more memory.

// Reads the pilot at `path`. Throws OptionError whose message starts with `option` and names the
// file, the line and what is wrong (a table kelvaro-prep refuses, a kelvaro input kelvaro
// refuses, a file that cannot be read, memory running out). A fractional f(i) of a kelvaro input
// is taken as its whole part, with the warning kelvaro gives (the first of the record).
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
  // The designs as site lists: comma-separated values, each a number of sites (1 to
  // kMaxSampleSites, 1000) or a range
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
  // Extend the designs upward (equal designs only) until every target is met, or to
  // kMaxSearchSites (extension_limit says where it stops).
  bool until_target = false;
  // With targets and a pilot that gives the community: the share of the communities consistent
  // with the pilot in which the design named must meet every target, above 0 and below 1.
  double assurance = 0.8;
  // With targets and such a pilot: the plausible communities of the first round (at least 10),
  // and the surveys simulated of each with each design (at least 1).
  std::int32_t communities = 100;
  std::int32_t community_surveys = 25;
  // With targets: the most surveys simulated of one design, all its communities together, as
  // rounds are added; none: 16 times the first round's (3200 for 200 surveys; 40000 for 100
  // communities of 25). At least the first round's.
  std::optional<std::int64_t> max_surveys;
};

// --until-target's search stops here: a design of this many sites in each sample is the last
// tried (see extension_limit).
inline constexpr std::int32_t kMaxSearchSites = 250;

// What threads defaults to when the user does not say: the machine's cores (1 when it cannot
// tell).
int default_threads();

// The communities consistent with a pilot: the fit's parametric bootstrap. Community c is drawn
// by simulating a pilot of the fitted community (N rounded, MEAN and K as fitted) with the
// pilot's sites, on its own stream of (seed, c), and fitting it again; the values the request
// gave stand in for the fitted ones, as they do in the community assumed. A pilot whose fit does
// not bound N, or puts it above ten times the pilot's own N (or above 1000000 species), stands
// for a community that no design can be relied on for: it counts as one where no design meets
// the targets.
struct PilotCommunities {
  DetectionFrequencies pilot;
  PilotFit fit;
  // Which of the community's values come from the fit (the others are the request's).
  bool species_fitted = false;
  bool detection_fitted = false;
  bool heterogeneity_fitted = false;
  double persistence = 1.0;  // as requested: each community's persisting species are N x PHI
};

// A checked request: the run's settings, and what the user should know about how values were
// taken (one line each, starting "note: ").
struct CheckedPlan {
  PlanSettings settings;
  std::vector<std::string> notes;
  // What the user should be warned of (one line each, without "warning: "): a fractional
  // frequency in the pilot, an ill-determined pilot fit.
  std::vector<std::string> warnings;
  std::vector<Target> targets;
  // With until_target: the step of the designs beyond the grid (0: no extension), and the
  // largest number of sites the search tries: kMaxSearchSites, or the grid's largest design when
  // that is larger.
  std::int32_t extension_step = 0;
  std::int32_t extension_limit = 0;
  // The pilot's fit, when a pilot was given, and its account (one line, without "note: ").
  std::optional<PilotFit> pilot_fit;
  std::string pilot_account;
  // The fit's warning when it is ill-determined (ill_determined_fit), also among `warnings`.
  std::optional<std::string> pilot_ill_determined;
  // With targets and a pilot that gives at least one of the community's values: the answer is
  // planned over the communities consistent with it.
  std::optional<PilotCommunities> pilot_communities;
  double assurance = 0.8;
  std::int32_t communities = 100;
  std::int32_t community_surveys = 25;
  // The most surveys of one design (all its communities together).
  std::int64_t max_surveys = 3200;
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
// design meets every target, those of (largest + step, largest + 2 step, ..., limit) sites in
// both samples up to the first that does (checked.extension_limit is tried even when the steps
// pass it). One round of surveys, no pilot's communities: plan_survey gives the full answer.
// `progress` is told about the grid, then about each design beyond it.
std::vector<DesignSummary> run_checked_plan(const CheckedPlan& checked,
                                            const ProgressCallback& progress = {});

// A plan run to its answer (plan_survey): the grid's designs, with --until-target designs beyond
// it, each simulated in the community assumed, and, with targets, an answer that carries its
// uncertainty.
//
// Rounds. With targets, surveys are added in rounds until the answer is decided: the design
// named (the smallest meeting every target, by the sites of both samples together, the first in
// the grid among equals) and the next smaller design are each decided, or, when no design meets
// every target, the closest is. A design that meets every target is decided when each of its
// criteria is (see above); one that does not, when one of its unmet criteria is. Each round
// doubles the surveys of the designs not yet decided, up to checked.max_surveys; when the most
// is reached the answer is undecided. Surveys are numbered, so a design's rows after rounds are
// those a first round of that many surveys would give: the same answer for any thread count, and
// for most seeds.
//
// The pilot's uncertainty. With targets and a pilot that gives the community (checked.
// pilot_communities), a design meets the targets when it meets every target in at least
// checked.assurance of the communities consistent with the pilot: each is simulated
// checked.community_surveys times with the design, and counts when those surveys meet every
// target. Its share (the assurance) is decided when the assurance asked lies outside the share's
// Wilson interval at two standard errors; rounds double the communities. The design's rows (the
// CSV, `summary` below) stay those of the community fitted, which the pilot's account names.

// One design of a plan.
struct DesignResult {
  // Its surveys in the community assumed (fitted to the pilot): the rows of the CSV.
  DesignSummary summary;
  // With targets: whether it meets them (above), and whether that is decided.
  std::optional<bool> meets;
  bool decided = false;
  // With the pilot's communities: how many it was simulated in, in how many it met every
  // target, their share with its Wilson interval at two standard errors and its standard error;
  // 0 and NaN without.
  std::int64_t communities = 0;
  std::int64_t communities_meeting = 0;
  double assurance = 0.0;
  ShareInterval assurance_interval;
  double assurance_se = 0.0;
};

// The answer to the targets, as values and as the line every face shows (after the program's
// name on kelvaro-plan's standard error).
enum class AnswerKind {
  kNoTargets,  // nothing asked: no answer
  kMet,        // a design meets every target
  kNotMet,     // none does; `design` is the closest
};

struct AnsweredDesign {
  std::size_t index = 0;  // in PlanResult::designs
  Design design;
  std::int64_t surveys = 0;      // its surveys in the community assumed
  std::int64_t communities = 0;  // with the pilot's communities, those it was simulated in
  double assurance = 0.0;        // their share meeting every target (NaN without)
  bool meets = false;
  bool decided = false;
};

struct PlanAnswer {
  AnswerKind kind = AnswerKind::kNoTargets;
  // kMet: the smallest design meeting every target; kNotMet: the closest (the smallest largest
  // shortfall as a share of its bound; with the pilot's communities, the largest assurance).
  std::optional<AnsweredDesign> design;
  // kMet: the design before it by size, which does not meet them (none for the smallest).
  std::optional<AnsweredDesign> next_smaller;
  // Whether the designs above are decided; and what decided them, or what the rounds stopped at
  // when undecided: the most surveys of either (in the community assumed), or with the pilot's
  // communities the most communities of either, each of community_surveys surveys.
  bool decided = false;
  std::int64_t surveys = 0;
  std::int64_t communities = 0;
  std::int32_t community_surveys = 0;
  // With the pilot's communities: the assurance asked; NaN without.
  double assurance_asked = 0.0;
  bool from_pilot = false;  // planned over the pilot's communities
  // The ill-determined fit the answer rests on (ill_determined_fit), when it does.
  std::optional<std::string> rests_on;
  // What the user should be warned of about the answer (without "warning: "): communities
  // consistent with the pilot whose fit did not bound N.
  std::vector<std::string> warnings;
  // The answer as one line, for example
  //   the smallest design that meets every target: 15 sites (sites1 = 15, sites2 = 15), and 10
  //   sites do not; decided by 200 simulated surveys of each
  //   the smallest design that meets every target in at least 80% of the communities consistent
  //   with the pilot: 15 sites (sites1 = 15, sites2 = 15), in 84% of them; 10 sites in 41%;
  //   decided by 100 communities of 25 simulated surveys each
  // empty for kNoTargets.
  std::string text;
};

struct PlanResult {
  std::vector<DesignResult> designs;  // the grid's in order, then those beyond it
  Community community;                // the community assumed
  std::vector<Target> targets;
  bool from_pilot = false;  // planned over the pilot's communities
  PlanAnswer answer;
};

// Runs a checked plan to its answer. `progress` is told of every survey, in the community
// assumed and in the pilot's communities; its total grows as rounds are added. An exception of a
// worker (out of memory) or of `progress` stops the run and is rethrown.
PlanResult plan_survey(const CheckedPlan& checked, const ProgressCallback& progress = {});

// The results of a plan as CSV: results_csv below (the rows of each design's summary); with
// targets, six columns more at the end of each row:
//   surveys                   the design's simulated surveys (after its rounds)
//   share_interval_capped_se  the capped share's standard error (as coverage_se)
//   decided                   with targets: yes when the design's meeting them (meets_target on
//                             its rows; with the pilot's communities its assurance) is decided, no
//                             when not; empty without targets
//   assurance                 with the pilot's communities: the share of them in which the
//                             design meets every target; empty without
//   assurance_se              its standard error (as coverage_se); empty without
//   communities               the pilot's communities it was simulated in; empty without
std::string results_csv(const PlanResult& result);

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
