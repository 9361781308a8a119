#include "plan/command_line.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <optional>
#include <sstream>

#include "numeric/conversions.h"
#include "plan/option_error.h"
#include "plan/site_lists.h"

namespace kelvaro::plan {
namespace {

// Bounds that keep a run inside what kelvaro counts (32-bit) and what a machine holds.
constexpr std::int32_t kMaxSpecies = 1000000;
constexpr std::int32_t kMaxReplicates = 10000;  // rows of kelvaro's bootstrap table
constexpr std::int64_t kMaxSimulatedSurveys = 10000000;  // designs x surveys
constexpr int kMaxThreads = 1024;
// How far N * PHI may lie from a whole number and still count as one (rounding of PHI's digits).
constexpr double kWholeTolerance = 1e-9;

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

std::string number(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

void require(bool given, const std::string& what) {
  if (!given) throw OptionError(what);
}

std::optional<double> heterogeneity_of(const std::string& text) {
  if (text == "none") return std::nullopt;
  std::size_t used = 0;
  double k = 0.0;
  try {
    k = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || !(k > 0.0) || !std::isfinite(k)) {
    throw OptionError("--heterogeneity must be a positive number K (the Beta concentration; "
                      "smaller is stronger heterogeneity) or 'none' for equal detection, not '" +
                      text + "'");
  }
  return k;
}

Community community_of(const CLI::App& app, const RawOptions& o, std::vector<std::string>& notes) {
  require(app.count("--species") > 0,
          "--species N is needed: the species richness of Sample 1's community");
  require(app.count("--detection") > 0,
          "--detection MEAN is needed: the mean detection probability per site and species");
  require(app.count("--heterogeneity") > 0,
          "--heterogeneity K is needed: the Beta concentration of detection among species "
          "(for example 2; smaller is stronger heterogeneity), or 'none' for equal detection");
  require(o.species >= 1 && o.species <= kMaxSpecies,
          "--species must be 1 to 1000000, not " + std::to_string(o.species));
  require(o.persistence >= 0.0 && o.persistence <= 1.0,
          "--persistence must be between 0 and 1 (a share of Sample 1's species), not " +
              number(o.persistence));
  require(o.colonists >= 0 && o.colonists <= kMaxSpecies,
          "--colonists must be 0 to 1000000, not " + std::to_string(o.colonists));
  require(o.detection > 0.0 && o.detection <= 1.0,
          "--detection must be above 0 and at most 1 (a probability), not " +
              number(o.detection));
  require(o.detection_change > 0.0 && std::isfinite(o.detection_change),
          "--detection-change must be above 0, not " + number(o.detection_change));
  Community c;
  c.species = o.species;
  c.colonists = o.colonists;
  c.mean_detection = o.detection;
  c.heterogeneity = heterogeneity_of(o.heterogeneity);
  c.detection_change = o.detection_change;
  const double persisting = o.species * o.persistence;
  c.persisting = trunc_to_int(std::floor(persisting + 0.5));
  if (std::fabs(persisting - c.persisting) > kWholeTolerance * o.species) {
    notes.push_back("note: " + std::to_string(o.species) + " species x persistence " +
                    number(o.persistence) + " = " + number(persisting) +
                    " persisting species; simulating " + std::to_string(c.persisting) +
                    " (PHI = " + number(static_cast<double>(c.persisting) / o.species) + ")");
  }
  const double mean2 = o.detection * o.detection_change;
  require(mean2 <= 1.0 + kWholeTolerance,
          "--detection-change " + number(o.detection_change) + " with --detection " +
              number(o.detection) + " gives Sample 2 a mean detection of " + number(mean2) +
              "; choose R at most 1/MEAN = " + number(1.0 / o.detection));
  require(c.persisting + c.colonists >= 1,
          "Sample 2's community is empty: give --colonists or a larger --persistence");
  return c;
}

std::vector<Design> designs_of(const CLI::App& app, const RawOptions& o) {
  const bool equal = app.count("--sites") > 0;
  const bool first = app.count("--sites1") > 0;
  const bool second = app.count("--sites2") > 0;
  require(!(equal && (first || second)),
          "give either --sites LIST (equal numbers of sites) or --sites1 LIST and --sites2 LIST, "
          "not both");
  if (equal) return equal_designs(parse_site_list(o.sites, "--sites"));
  require(first && second,
          first || second ? "--sites1 and --sites2 go together: give both lists"
                          : "the designs are needed: --sites LIST (for example 5,10,20 or "
                            "5:50:5), or --sites1 LIST and --sites2 LIST");
  return crossed_designs(parse_site_list(o.sites1, "--sites1"),
                         parse_site_list(o.sites2, "--sites2"));
}

CommandLine command_of(const CLI::App& app, const RawOptions& o) {
  CommandLine c;
  c.settings.community = community_of(app, o, c.notes);
  c.settings.designs = designs_of(app, o);
  require(o.surveys >= 1, "--surveys must be at least 1, not " + std::to_string(o.surveys));
  require(o.nreps >= 1 && o.nreps <= kMaxReplicates,
          "--nreps must be 1 to 10000 (intervals need replicates), not " +
              std::to_string(o.nreps));
  require(o.threads >= 1 && o.threads <= kMaxThreads,
          "--threads must be 1 to 1024, not " + std::to_string(o.threads));
  const std::int64_t total = static_cast<std::int64_t>(c.settings.designs.size()) * o.surveys;
  require(total <= kMaxSimulatedSurveys,
          std::to_string(c.settings.designs.size()) + " designs x " + std::to_string(o.surveys) +
              " surveys is more than 10000000 simulated surveys; give fewer designs or --surveys");
  c.settings.surveys = o.surveys;
  c.settings.replicates = o.nreps;
  c.settings.seed = o.seed;
  c.settings.threads = o.threads;
  c.output = o.output;
  c.quiet = o.quiet;
  return c;
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
    parsed.command = command_of(app, raw);
    parsed.run = true;
  } catch (const OptionError& e) {
    parsed.status = 2;
    parsed.err_text = std::string("kelvaro-plan: ") + e.what() + "\n";
  }
  return parsed;
}

}  // namespace kelvaro::plan
