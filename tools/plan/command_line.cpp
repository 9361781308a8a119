#include "plan/command_line.h"

#include <CLI/CLI.hpp>

#include <sstream>
#include <utility>

#include "plan/option_error.h"
#include "plan/plan_request.h"

namespace kelvaro::plan {
namespace {

struct RawOptions {
  std::int32_t species = 0;
  double persistence = 1.0;
  std::int32_t colonists = 0;
  double detection = 0.0;
  std::string heterogeneity;
  double detection_change = 1.0;
  std::string sites, sites1, sites2;
  std::int32_t surveys = 200;
  std::int32_t nreps = 100;
  std::uint64_t seed = 400;
  int threads = 1;
  std::string output;
  bool quiet = false;
};

const char* kFooter =
    "Simulates surveys of the assumed community with each design, analyses each as kelvaro\n"
    "analyses real data, and writes one CSV row per design and parameter (N(1), N(2), PHI,\n"
    "GAMMA, LAMBDA, B): sites1, sites2, parameter, true_value, mean_estimate, relative_bias,\n"
    "rmse, coverage, mean_interval_width, share_interval_capped, mean_observed1,\n"
    "mean_observed2, surveys_estimated. The same seed gives the same output on any number of\n"
    "threads.\n\n"
    "Example: kelvaro-plan --species 100 --persistence 0.8 --colonists 20 --detection 0.2\n"
    "         --heterogeneity 2 --sites 5:40:5 -o plan.csv\n\n"
    "Exit status: 0 done, 1 the output could not be written, 2 an option was refused.";

void define_options(CLI::App& app, RawOptions& o, int default_threads) {
  app.add_option("--species", o.species, "N: species richness of Sample 1's community")
      ->type_name("N");
  app.add_option("--persistence", o.persistence,
                 "PHI: share of Sample 1's species still present in Sample 2 (default 1)")
      ->type_name("PHI");
  app.add_option("--colonists", o.colonists, "C: species new in Sample 2 (default 0)")
      ->type_name("C");
  app.add_option("--detection", o.detection,
                 "MEAN: mean detection probability per site and species, in (0, 1]")
      ->type_name("MEAN");
  app.add_option("--heterogeneity", o.heterogeneity,
                 "K: detection p ~ Beta(MEAN*K, (1-MEAN)*K), smaller K = stronger "
                 "heterogeneity; 'none' for equal p")
      ->type_name("K|none");
  app.add_option("--detection-change", o.detection_change,
                 "R: Sample 2's detection = R times Sample 1's (default 1)")
      ->type_name("R");
  app.add_option("--sites", o.sites, "designs with t1 = t2, e.g. 5,10,20,40 or 5:50:5")
      ->type_name("LIST");
  app.add_option("--sites1", o.sites1, "Sample 1's numbers of sites (with --sites2: every pair)")
      ->type_name("LIST");
  app.add_option("--sites2", o.sites2, "Sample 2's numbers of sites")->type_name("LIST");
  app.add_option("--surveys", o.surveys, "simulated surveys per design (default 200)")
      ->type_name("S");
  app.add_option("--nreps", o.nreps, "bootstrap replicates of each analysis (default 100)")
      ->type_name("N");
  app.add_option("--seed", o.seed, "fixes every simulation and analysis stream (default 400)")
      ->type_name("N");
  o.threads = default_threads;
  app.add_option("--threads", o.threads,
                 "worker threads (default: the machine's cores, " +
                     std::to_string(default_threads) + ")")
      ->type_name("N");
  app.add_option("-o,--output", o.output, "write the CSV to FILE (default: standard output)")
      ->type_name("FILE");
  app.add_flag("-q,--quiet", o.quiet, "no progress bar and no notes on standard error");
  app.set_version_flag("-V,--version", std::string("kelvaro-plan ") + KELVARO_VERSION);
  app.footer(kFooter);
}

// The request the options make: an option not given is left out, so that the checks can say
// which are needed.
PlanRequest request_of(const CLI::App& app, const RawOptions& o) {
  const auto given = [&app](const char* option) { return app.count(option) > 0; };
  PlanRequest r;
  if (given("--species")) r.species = o.species;
  r.persistence = o.persistence;
  r.colonists = o.colonists;
  if (given("--detection")) r.detection = o.detection;
  if (given("--heterogeneity")) r.heterogeneity = o.heterogeneity;
  r.detection_change = o.detection_change;
  if (given("--sites")) r.sites = o.sites;
  if (given("--sites1")) r.sites1 = o.sites1;
  if (given("--sites2")) r.sites2 = o.sites2;
  r.surveys = o.surveys;
  r.nreps = o.nreps;
  r.seed = o.seed;
  r.threads = o.threads;
  return r;
}

}  // namespace

ParsedArguments parse_arguments(int argc, const char* const* argv, int default_threads) {
  CLI::App app{"Plans a survey: bias, precision and interval coverage of kelvaro's estimates "
               "for each design, by simulation.",
               "kelvaro-plan"};
  RawOptions raw;
  define_options(app, raw, default_threads);
  ParsedArguments parsed;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    parsed.status = app.exit(e, out, err) == 0 ? 0 : 2;
    parsed.out_text = out.str();
    parsed.err_text = err.str();
    return parsed;
  }
  try {
    CheckedPlan checked = check_request(request_of(app, raw), OptionStyle::kCommandLine);
    parsed.command.settings = std::move(checked.settings);
    parsed.command.notes = std::move(checked.notes);
    parsed.command.output = raw.output;
    parsed.command.quiet = raw.quiet;
    parsed.run = true;
  } catch (const OptionError& e) {
    parsed.status = 2;
    parsed.err_text = std::string("kelvaro-plan: ") + e.what() + "\n";
  }
  return parsed;
}

}  // namespace kelvaro::plan
