#include "command_line.h"

#include <cstdint>
#include <limits>

#include "common/command_line.h"

namespace kelvaro::plan {
namespace {

namespace tools = kelvaro::tools;

const char* kFooter =
    "Simulates surveys of the assumed community with each design, analyses each as kelvaro\n"
    "analyses real data, and writes one CSV row per design and parameter (N(1), N(2), PHI,\n"
    "GAMMA, LAMBDA, B): sites1, sites2, parameter, true_value, mean_estimate, relative_bias,\n"
    "rmse, coverage, mean_interval_width, share_interval_capped, mean_observed1,\n"
    "mean_observed2, surveys_estimated, relative_bias_se, rmse_se, coverage_se, meets_target,\n"
    "assumed_species, assumed_detection, assumed_heterogeneity. The same seed gives the same\n"
    "output on any number of threads.\n\n"
    "Example: kelvaro-plan --species 100 --persistence 0.8 --colonists 20 --detection 0.2\n"
    "         --heterogeneity 2 --sites 5:40:5 -o plan.csv\n\n"
    "Exit status: 0 done, 1 the output could not be written, 2 an option was refused.";

}  // namespace

void define_options(CLI::App& app, CommandLine& command, int default_threads) {
  PlanRequest& r = command.request;
  // N and MEAN go through a function: bound to the optional itself, CLI11 would take an empty
  // value for none, where it gives 0 for every other number.
  constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  tools::add_whole_number_function<std::int32_t>(
      app, "--species", "--species", kLeast, kMost, [&r](std::int32_t n) { r.species = n; },
      "N: species richness of Sample 1's community (required, or --from-pilot)")
      ->type_name("N");
  tools::add_real_number_option(
      app, "--persistence", "--persistence", r.persistence,
      "PHI: share of Sample 1's species still present in Sample 2 (default 1)")
      ->type_name("PHI");
  tools::add_whole_number_option(app, "--colonists", "--colonists", r.colonists, kLeast, kMost,
                                 "C: species new in Sample 2 (default 0)")
      ->type_name("C");
  tools::add_real_number_function(
      app, "--detection", "--detection", [&r](double mean) { r.detection = mean; },
      "MEAN: mean detection probability per site and species, in (0, 1] (required, or "
      "--from-pilot)")
      ->type_name("MEAN");
  app.add_option("--heterogeneity", r.heterogeneity,
                 "K: detection p ~ Beta(MEAN*K, (1-MEAN)*K), smaller K = stronger "
                 "heterogeneity; 'none' for equal p (required, or --from-pilot)")
      ->type_name("K|none");
  tools::add_real_number_option(app, "--detection-change", "--detection-change", r.detection_change,
                                "R: Sample 2's detection = R times Sample 1's (default 1)")
      ->type_name("R");
  app.add_option("--sites", r.sites,
                 "designs with t1 = t2, e.g. 5,10,20,40 or 5:50:5 (required, or --sites1 and "
                 "--sites2)")
      ->type_name("LIST");
  app.add_option("--sites1", r.sites1, "Sample 1's numbers of sites (with --sites2: every pair)")
      ->type_name("LIST");
  app.add_option("--sites2", r.sites2, "Sample 2's numbers of sites")->type_name("LIST");
  tools::add_whole_number_option(app, "--surveys", "--surveys", r.surveys, kLeast, kMost,
                                 "simulated surveys per design (default 200)")
      ->type_name("S");
  tools::add_whole_number_option(app, "--nreps", "--nreps", r.nreps, kLeast, kMost,
                                 "bootstrap replicates of each analysis (default 100)")
      ->type_name("N");
  // Every seed from 0 to 2^64 - 1 is a different run; what lies outside is refused.
  tools::add_whole_number_option(app, "--seed", "--seed", r.seed, std::uint64_t{0},
                                 std::numeric_limits<std::uint64_t>::max(),
                                 "fixes every simulation and analysis stream (default 400)")
      ->type_name("N");
  r.threads = default_threads;
  tools::add_whole_number_option(
      app, "--threads", "--threads", r.threads, std::numeric_limits<int>::min(),
      std::numeric_limits<int>::max(),
      "worker threads (default: the machine's cores, " + std::to_string(default_threads) + ")")
      ->type_name("N");
  app.add_option("-o,--output", command.output, "write the CSV to FILE (default: standard output)")
      ->check(tools::non_empty_name())
      ->type_name("FILE");
  app.add_flag("-q,--quiet", command.quiet, "no progress bar and no notes on standard error");
  define_question_options(app, command);
  app.set_version_flag("-V,--version", std::string("kelvaro-plan ") + KELVARO_VERSION);
  app.footer(kFooter);
}

}  // namespace kelvaro::plan
