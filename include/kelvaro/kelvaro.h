#pragma once
// kelvaro: species richness and community dynamics from two samples of species detections, by
// capture-recapture reasoning (a species plays the part of an animal, a site that of an occasion).
//
// A run takes two samples (and the two subsets of species seen in both) as free-form text or as
// structured data, and gives a structured result: each block's jackknife richness estimate with
// the order tests behind it and its bootstrap, the test for unequal detection probability, the
// M(h) goodness-of-fit tests, and the community-dynamics parameters (PHI, GAMMA, LAMBDA,
// altLAMBDA, B, p(1), p(2)) with bootstrap averages, standard errors and percentile intervals.
// The report, a fixed plain-text layout, is rendered from a result, byte for byte the same
// whether it is written while the run goes on or afterwards.
//
// Thread safety: every function here is reentrant. Any number of runs may proceed at once on
// different threads without any external synchronisation; runs share nothing. A result is a plain
// value. An Observer or TextSource passed to a run is used only by that run's thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/ordered_pool.h"

namespace kelvaro {

// ---------------------------------------------------------------------------------------------
// Input

// The four data blocks of a run, in the order they are read and reported; kHeaderRecord stands
// for the header record before them (where a read can fail too).
enum BlockNumber : int {
  kHeaderRecord = 0,
  kSample1 = 1,
  kSample2 = 2,
  kSubsetA = 3,
  kSubsetB = 4
};

// "Sample 1", "Sample 2", "Subset A", "Subset B"; "block" for kHeaderRecord and any other value.
const char* block_name(BlockNumber block);

// The limits of a run: sites of a sample, with or without the frequency pair (storage grows with
// the sites; the report's M(h) test prints its t - 1 degrees of freedom in three columns), and
// bootstrap replicates (the rows of the replicate store).
inline constexpr std::int32_t kMaxSampleSites = 1000;
inline constexpr std::int32_t kMaxReplicates = 10000;

// The limits runs had while a block's frequencies were kept in 100 places (the bootstrap used
// x(1..t+2) of them; with the frequency pair f and f'(1..t+1) lay side by side in them):
// kelvaro-plan's site lists and its search for a design still stop at kMaxSites.
inline constexpr std::int32_t kMaxSites = 98;
inline constexpr std::int32_t kMaxPairSites = 49;

// One block's records.
struct BlockData {
  std::vector<float> f;         // f(1..t): species observed at exactly i of the block's t sites
  std::vector<std::int32_t> n;  // n(1..t): species observed at site i
  std::vector<float> f_pair;    // f'(1..t+1), with the frequency pair only: sites in groups of 10
};

// A survey as structured data: what the free-form input's records hold.
struct Survey {
  std::int32_t sites1 = 0;      // t1: sites (or occasions) of Sample 1, 1..kMaxSampleSites
  std::int32_t sites2 = 0;      // t2: sites of Sample 2
  bool frequency_pair = false;  // every block has f' and its estimate is made from it
  BlockData sample1;
  // Absent (or holding no species): the run ends after Sample 1, a single-sample estimate.
  std::optional<BlockData> sample2;
  BlockData subset_a;  // species observed in both samples, with Sample 2's data (t2 classes)
  BlockData subset_b;  // the same species, with Sample 1's data (t1 classes)
};

// How a survey is analysed: what the free-form header says besides the sites and the pair (the
// text gives the two flags as signs: a negative nreps asks for the detail, a negative t1 turns
// the range adjustment off).
struct Options {
  std::int32_t replicates = 50;   // bootstrap replicates, 0..10000 (others are refused)
  bool replicate_detail = false;  // the report lists every replicate (none without replicates)
  std::int32_t seed = 400;        // seed number; 0 takes the seed from the clock (not repeatable)
  bool range_adjustment = true;   // hold replicate estimates and parameters to natural ranges
};

// The replicates as the report's banner and the run table print them: negative when the report
// lists every replicate (the text header's own way of asking for it). {50, true} -> -50.
inline std::int32_t printed_replicates(const Options& o) {
  return o.replicate_detail ? -o.replicates : o.replicates;
}

// Free-form input, handed over piece by piece so that memory stays bounded.
class TextSource {
 public:
  virtual ~TextSource() = default;
  // Copies the next bytes into buf (at most n, n >= 1) and returns how many; 0 only at the end.
  // Throws InputUnreadable when the input cannot be read at all.
  virtual std::size_t read(char* buf, std::size_t n) = 0;
};

// The input could not be read (an I/O error, a directory, a closed descriptor); what() is the
// system's reason, e.g. "Is a directory".
class InputUnreadable : public std::runtime_error {
 public:
  explicit InputUnreadable(const std::string& reason) : std::runtime_error(reason) {}
};

// A text in memory (it must outlive the source), an open file descriptor (read as it is, never
// closed; interrupted reads are retried), or a std::istream.
class StringSource final : public TextSource {
 public:
  explicit StringSource(std::string_view text) : text_(text) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};
class DescriptorSource final : public TextSource {
 public:
  explicit DescriptorSource(int fd) : fd_(fd) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  int fd_;
};
class StreamSource final : public TextSource {
 public:
  explicit StreamSource(std::istream& in) : in_(in) {}
  std::size_t read(char* buf, std::size_t n) override;

 private:
  std::istream& in_;
};

// Free-form input whose Sample 1 cannot be taken (read_sample1): reason() says why, line() is the
// input line of the record that could not be read, or 0 when the header was read but its values
// were refused ("t1 = 1200 is outside the allowed range 1..1000").
class InputRefused : public std::runtime_error {
 public:
  InputRefused(std::int64_t line, const std::string& reason)
      : std::runtime_error(reason), line_(line) {}
  std::int64_t line() const { return line_; }
  std::string reason() const { return what(); }

 private:
  std::int64_t line_;
};

// Sample 1 of free-form input, read alone as a run reads it, for a program that wants a sample's
// detection data without a run (kelvaro-plan's pilot survey): the header decoded and checked as a
// run checks it, then Sample 1's records; nothing after them is read. The values are as read
// (fractional and negative ones included: judging them is the caller's part), and no warnings are
// given. "4 4 0 10 400\n3 3 2 2\n7 7 6 3\n" -> f = (3, 3, 2, 2), n = (7, 7, 6, 3); with the
// frequency pair, f_pair holds f'(1..t1+1) too. Throws InputRefused, and InputUnreadable when the
// input cannot be read at all.
BlockData read_sample1(TextSource& input);

// ---------------------------------------------------------------------------------------------
// Warnings: input that is probably a typing slip, and results not to trust. They never change the
// report or the status.

enum class WarningKind {
  kExtraNumbers,        // a record line holds more numbers than the record takes
  kKeptValue,           // a null value or a slash kept a value from before
  kNegativeValue,       // a negative f(i), f'(i) or n(i)
  kFractionalValue,     // a fractional f(i) or f'(i), truncated
  kCountWraps,          // a value or total beyond a 32-bit count: results are meaningless
  kDetectionsDisagree,  // the sum of i*f(i) differs from the sum of n(i)
  kSiteAboveObserved,   // an n(i) above the block's species observed
  kSubsetSize,          // subsets of unequal size, or larger than their parent sample
  kOrderTestSkipped,    // an order test skipped for zero variance: weights do not sum to 1
  kIllConditioned,      // the estimate fell back on the order-1 value
  kOutsideInterval,     // an estimate outside its own bootstrap interval
  kFewReplicates,       // percentile intervals from fewer than 20 replicates
  kClockSeed,           // seed 0: the run cannot be repeated
  kModelDoesNotFit,     // M(h) goodness-of-fit probability below 0.01: the estimate may be biased
  kFitTestFailed,       // the M(h) test could not be computed (the report's "error in gof routine")
  // What the frequencies show of two samples that are probably not the ones meant:
  kNoCommonSpecies,        // the samples share no species: the subsets are empty, PHI is 0
  kIdenticalSamples,       // Sample 2's data are Sample 1's and every species is in both
  kSingleSpecies,          // a sample holds one species: its estimate and tests mean little
  kSitesWithoutDetection,  // a sample's sites with no detection (n(i) = 0) lower its detection
};

// True for the kinds that say what the samples are (kNoCommonSpecies, kIdenticalSamples,
// kSingleSpecies, kSitesWithoutDetection) rather than a slip in the input or a result not to
// trust: `kelvaro --check` tells them without failing the input.
constexpr bool describes_samples(WarningKind kind) {
  return kind == WarningKind::kNoCommonSpecies || kind == WarningKind::kIdenticalSamples ||
         kind == WarningKind::kSingleSpecies || kind == WarningKind::kSitesWithoutDetection;
}

// Every kind, in the order above (faces list them; each has its own warning_kind_name).
inline constexpr WarningKind kWarningKinds[] = {
    WarningKind::kExtraNumbers,
    WarningKind::kKeptValue,
    WarningKind::kNegativeValue,
    WarningKind::kFractionalValue,
    WarningKind::kCountWraps,
    WarningKind::kDetectionsDisagree,
    WarningKind::kSiteAboveObserved,
    WarningKind::kSubsetSize,
    WarningKind::kOrderTestSkipped,
    WarningKind::kIllConditioned,
    WarningKind::kOutsideInterval,
    WarningKind::kFewReplicates,
    WarningKind::kClockSeed,
    WarningKind::kModelDoesNotFit,
    WarningKind::kFitTestFailed,
    WarningKind::kNoCommonSpecies,
    WarningKind::kIdenticalSamples,
    WarningKind::kSingleSpecies,
    WarningKind::kSitesWithoutDetection,
};

struct Warning {
  WarningKind kind;
  std::string block;  // "header", "Sample 1", ..., "Subset B", "parameters", or a parameter: "PHI"
  std::int64_t line;  // input line where the record starts; 0 when none applies
  std::string text;   // what was found and what it means
};

// "kelvaro: warning: line 4: Sample 1: <text>" ("line N: " left out when line is 0).
std::string format_warning(const Warning& w);

// The kind as a name for tables: "outside_interval" for WarningKind::kOutsideInterval.
const char* warning_kind_name(WarningKind kind);

// ---------------------------------------------------------------------------------------------
// How a run is carried out

// Told what a run finds as it goes. The calls come from the run's own thread.
class Observer {
 public:
  virtual ~Observer() = default;
  virtual void warning(const Warning& /*w*/) {}
  // A block's bootstrap: planned_draws = its community size times its replicates.
  virtual void bootstrap_started(BlockNumber /*block*/, std::int32_t /*replicates*/,
                                 double /*planned_draws*/) {}
  virtual void bootstrap_progress(BlockNumber /*block*/, std::int32_t /*replicates_done*/,
                                  double /*draws_done*/) {}
  virtual void bootstrap_finished(BlockNumber /*block*/) {}
  // Told once when a bootstrap could not start the `asked` threads (the system refused some):
  // the run goes on with `used` (kelvaro/ordered_pool.h), and its result is the same.
  virtual void threads_short(int /*asked*/, int /*used*/) {}
};

struct Settings {
  // Every replicate's derived parameters in RunResult::replicates.
  bool keep_replicates = false;
  // Threads that may draw a block's bootstrap replicates at once; a block uses them only when it
  // has enough work to gain. The result is the same for every count. A program that runs many
  // analyses at once (one per thread) keeps the default.
  int threads = 1;
  // Starts those threads (empty: std::thread). Tests inject one that fails.
  ThreadFactory thread_factory{};
  // Read and check the input only: warnings, no estimates, no report.
  bool check_only = false;
  // The name read-error diagnostics give the input ("At line 7 of file kelvaro (unit = 5,
  // file = 'stdin')").
  std::string input_name = "stdin";
  Observer* observer = nullptr;
  // With seed 0: the clock value to seed from instead of reading the clock (an earlier run's
  // RunResult::clock_seed, which repeats that run; 0 <= value < 2^31). Ignored for other seeds.
  // The report is the same either way; a run given it is repeatable and not warned about.
  std::optional<std::int32_t> clock_seed;
};

// The clock value a seed-0 run seeds from at this moment: milliseconds since 1970 modulo 2^31.
// Programs that start several runs meant to share one stream read it once and hand it to each
// run in Settings::clock_seed.
std::int32_t read_clock_seed();

// ---------------------------------------------------------------------------------------------
// Result

// The M(h) goodness-of-fit test of one block.
struct GoodnessOfFitTest {
  std::int32_t t = 0;
  std::vector<std::int32_t> n;  // n(1..t)
  std::vector<std::int32_t> f;  // f(1..t)
  bool degenerate = false;      // no statistic (every species at every site, or one site)
  double statistic = 0.0;       // chi-square; 0 when degenerate
  std::int32_t df = 0;          // t - 1
  double probability = 0.0;     // upper tail: 1 - P(chi-square <= statistic)
};

// The test for unequal detection probability between the samples (equal numbers of sites).
struct EqualDetectionTest {
  std::int32_t classes = 0;               // frequency classes compared
  std::vector<std::int32_t> observed[2];  // the two samples' frequencies
  std::vector<float> pooled[2];           // after pooling classes with small expected values
  std::vector<float> expected[2];         // expected values after pooling
  double chi_square = 0.0;
  std::int32_t df = 0;
  double probability = 0.0;  // upper tail
};

// One bootstrap replicate of a block, as the detail listing prints it.
struct ReplicateDetail {
  std::array<std::int32_t, 7> counts{};  // frequency classes 1..7 (beyond t+2: earlier data)
  std::int32_t sum = 0;                  // classes 1..6 added
  float estimate = 0.0f;                 // the replicate's richness estimate
};

// The standard incidence-based richness estimators of a block, beside kelvaro's own: data of the
// result, never lines of the report. All are computed in double precision from the classes the
// block's estimate is made from, f(1..t) (f'(1..t+1) with the frequency pair, t then being the
// raised count), with S = f(1) + ... + f(t); see standard_estimates().
struct StandardEstimates {
  double observed = 0.0;     // S
  double chao2 = 0.0;        // Chao2 with the small-sample factor (t-1)/t
  double chao2_se = 0.0;     // its standard error
  double chao2_lower = 0.0;  // its log-normal 95% interval (Chao 1987)
  double chao2_upper = 0.0;
  double jack1 = 0.0;      // first-order jackknife
  double jack2 = 0.0;      // second-order jackknife
  double bootstrap = 0.0;  // the bootstrap estimator
};

// The estimators of frequencies f(1..t) (t = f.size()), as vegan 2.6's specpool computes them from
// the same frequencies, with f1 = f(1), f2 = f(2) (0 when t = 1) and c = (t-1)/t:
//   chao2      S + c f1^2 / (2 f2) when f2 > 0;  S + c f1 (f1-1) / 2 when f2 = 0
//   variance   f2 > 0, a = f1/f2: f1 c (1/2 + c (1 + a/4) a) a
//              f2 = 0: c (c (f1 (2 f1 - 1)^2 / 4 - f1^4 / chao2 / 4) + f1 (f1-1) / 2)
//   interval   f0 = chao2 - S, C = exp(1.96 sqrt(log(1 + variance / f0^2))): [S + f0/C, S + f0 C];
//              [S, S] when f0 = 0
//   jack1      S + f1 (t-1)/t
//   jack2      S + f1 (2t-3)/t - f2 (t-2)^2 / (t (t-1));  S when t = 1
//   bootstrap  S + sum over i of f(i) (1 - i/t)^t
// Degenerate blocks: with S = 0 (no species) every value is 0; with t = 1, c = 0 and every
// estimate is S, the standard error 0 and the interval [S, S]. Example: f = (3, 1, 0, 1), t = 4:
// S = 5, chao2 = 8.375 (variance 29.953125), jack1 = 7.25, jack2 = 8.41666..., bootstrap =
// 6.01171875.
// Requires: f is not empty. (Negative frequencies, which a run warns about, give values as the
// formulas make them.)
StandardEstimates standard_estimates(const std::vector<std::int32_t>& f);

struct BlockResult {
  BlockNumber block = kSample1;
  std::int32_t sites = 0;     // t
  std::int32_t classes = 0;   // classes of the estimate: t, or t + 1 with the frequency pair
  std::int32_t observed = 0;  // R: species observed (from f', with the pair)
  std::vector<std::int32_t> frequencies;  // the classes estimated from, as whole numbers
  float estimate = 0.0f;                  // jackknife richness estimate, not rounded
  float rounded_estimate = 0.0f;          // as the report prints it
  float standard_error = 0.0f;
  // The jackknife orders 1..5 behind the estimate.
  std::array<float, 5> order_estimates{};
  std::array<float, 5> order_errors{};
  std::array<float, 5> test_statistics{};  // order k+1 against k; 0 for tests not made
  std::array<float, 5> weights{};          // of the orders in the standard error
  std::array<float, 5> powers{};           // of the tests
  // Bootstrap (none when no species was observed).
  bool bootstrapped = false;
  std::vector<float> replicate_estimates;            // not rounded, in replicate order
  std::vector<std::int32_t> replicate_detected;      // Samples 1 and 2: species detected
  std::vector<ReplicateDetail> replicate_detail;     // with Options::replicate_detail
  std::array<float, 6> mean_frequencies{};           // classes 1..6 over the replicates
  std::optional<GoodnessOfFitTest> goodness_of_fit;  // when the block has site data
  StandardEstimates standard;                        // the standard estimators beside the jackknife
};

// A community-dynamics parameter of the summary.
struct Parameter {
  std::string name;  // N(1), N(2), M2(R1), M1(R2), PHI, GAMMA, LAMBDA, altLAMBDA, B, p(1), p(2)
  float estimate = 0.0f;  // from the data (estimates not rounded)
  float bootstrap_average = 0.0f;
  float standard_error = 0.0f;
  float lower = 0.0f;  // 95% percentile interval
  float upper = 0.0f;
};
inline constexpr int kParameterCount = 11;

// The parameters of the summary, in its order: the name Parameter::name gives each, and the
// decimals the report prints it with (2 for numbers of species, 4 for proportions and rates).
struct ParameterDefinition {
  const char* name;
  int decimals;
};
inline constexpr std::array<ParameterDefinition, kParameterCount> kParameterDefinitions = {{
    {"N(1)", 2},
    {"N(2)", 2},
    {"M2(R1)", 2},
    {"M1(R2)", 2},
    {"PHI", 4},
    {"GAMMA", 4},
    {"LAMBDA", 4},
    {"altLAMBDA", 4},
    {"B", 2},
    {"p(1)", 4},
    {"p(2)", 4},
}};

// One bootstrap replicate's parameters (the order of Parameter names) and species detected.
struct ReplicateRow {
  std::array<float, kParameterCount> values{};
  std::int32_t detected1 = 0;
  std::int32_t detected2 = 0;
};

// How a run ended; the value is the exit status the kelvaro command gives.
enum class RunStatus : int {
  kComplete = 0,      // the run is complete
  kReportFailed = 1,  // the report stream failed (the run stopped there)
  kInputRefused = 2,  // the input was refused or could not be read (see RunResult::diagnostic)
};

// 0, 1 or 2, as above.
inline int exit_status(RunStatus status) { return static_cast<int>(status); }

struct RunResult {
  RunStatus status = RunStatus::kComplete;
  std::string diagnostic;  // with kInputRefused: the text for standard error
  // The header as the run took it; header_accepted is false when it was unreadable or refused.
  bool header_accepted = false;
  std::int32_t sites1 = 0;
  std::int32_t sites2 = 0;
  bool frequency_pair = false;
  Options options;  // as given (the seed 0 included)
  // With seed 0, once the run has seeded: the clock value it seeded from (read from the clock or
  // given in Settings::clock_seed); handing it to another run in Settings::clock_seed repeats
  // the replicates. Not printed in the report, whose seed line shows the seed 0 as given.
  std::optional<std::int32_t> clock_seed;
  // Blocks estimated, in order; a single-sample run holds Sample 1 alone.
  std::vector<BlockResult> blocks;
  // After Sample 2: the test when the samples have equal numbers of sites.
  std::optional<EqualDetectionTest> equal_detection;
  // The summary, when the run reached it (all four blocks): kParameterCount entries.
  std::vector<Parameter> parameters;
  std::vector<ReplicateRow> replicates;  // with Settings::keep_replicates or the detail listing
  std::vector<Warning> warnings;
  // When reading failed: the block whose records could not be read (kHeaderRecord: the header).
  std::optional<BlockNumber> failed_block;
  // Uniform numbers the run drew from its generator (warm-up, binomial and species draws).
  std::uint64_t uniform_draws = 0;
};

// ---------------------------------------------------------------------------------------------
// Runs

// A run on free-form text. The report, when `report` is given, is written as the run goes on, so
// that a long run shows its blocks as they complete; it is the same text write_report gives for
// the result. Read errors end the run with status 2, the partial report and the diagnostic.
RunResult run_text(TextSource& input, const Settings& settings = {},
                   std::ostream* report = nullptr);
RunResult run_text(std::string_view text, const Settings& settings = {},
                   std::ostream* report = nullptr);

// A run on structured data: the same analysis and report as the free-form text with the same
// numbers. Blocks whose vectors do not match the numbers of sites are refused (status 2).
RunResult run_survey(const Survey& survey, const Options& options, const Settings& settings = {},
                     std::ostream* report = nullptr);

// The report of a result, byte for byte what the run wrote (lines end in CR LF). Blocks numbered
// outside 1..4 are left out, and the summary unless all kParameterCount parameters are there.
void write_report(const RunResult& result, std::ostream& out);
std::string report_text(const RunResult& result);

// The bootstrap draws on the processor's vector units (AVX2 or AVX-512; NEON when asked for)
// where it has them; the environment variable KELVARO_ISA=scalar|avx2|avx512|neon forces a path
// (every path gives the same results). What a program says once on standard error, at its start,
// when KELVARO_ISA asks for a path this processor or build lacks, or names none; empty when there
// is nothing to say:
//   ("kelvaro-plan", KELVARO_ISA=sse) -> "kelvaro-plan: KELVARO_ISA=sse is not a path (scalar,
//                                         avx2, avx512 or neon); using avx512"
std::string isa_request_warning(const char* program);

}  // namespace kelvaro
