#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <sstream>
#include <string_view>
#include <thread>
#include <utility>

#include "kelvaro/conversions.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"
#include "kelvaro/real_text.h"
#include "planner/significant_digits.h"
#include "planner/site_lists.h"
#include "planner/targets.h"

namespace kelvaro::plan {
namespace {

// Bounds that keep a run inside what kelvaro counts (32-bit) and what a machine holds.
constexpr std::int32_t kMaxSpecies = 1000000;
constexpr std::int64_t kMaxSimulatedSurveys = 10000000;  // of a round, and of one design
constexpr int kMaxThreads = 1024;
// The fewest plausible communities of a first round: a share of fewer says next to nothing.
constexpr std::int32_t kLeastCommunities = 10;
// Without --max-surveys, rounds go on to this many times the first round's surveys of a design:
// four doublings, which halve and halve again the standard errors of the first round.
constexpr std::int64_t kRoundsGrowth = 16;
// How far N * PHI may lie from a whole number and still count as one (rounding of PHI's digits).
constexpr double kWholeTolerance = 1e-9;

std::string number(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

void require(bool given, const std::string& what) {
  if (!given) throw OptionError(what);
}

// The option `option` (written as on the command line without its dashes: "detection-change")
// as `style` writes it.
std::string option_name(std::string_view option, OptionStyle style) {
  if (style == OptionStyle::kCommandLine) return "--" + std::string(option);
  std::string name(option);
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return name;
}

// The messages of one request, with the options named in the caller's style.
class Checks {
 public:
  explicit Checks(OptionStyle style) : style_(style) {}

  // "--species" or "species".
  std::string operator()(std::string_view option) const { return option_name(option, style_); }
  // An option with what it takes, as a usage line shows it: "--species N"; an argument alone.
  std::string with_value(std::string_view option, std::string_view value) const {
    return style_ == OptionStyle::kCommandLine ? (*this)(option) + " " + std::string(value)
                                               : (*this)(option);
  }
  // Options given values: "--species 61 --detection 0.2" on the command line, "species = 61,
  // detection = 0.2" as arguments.
  std::string assignments(
      std::initializer_list<std::pair<std::string_view, std::string>> values) const {
    const bool command = style_ == OptionStyle::kCommandLine;
    std::string text;
    for (const auto& [option, value] : values) {
      text += (text.empty() ? ""
               : command    ? " "
                            : ", ") +
              (*this)(option) + (command ? " " : " = ") + value;
    }
    return text;
  }

 private:
  OptionStyle style_;
};

std::optional<double> heterogeneity_of(const std::string& text, const Checks& name) {
  if (text == "none") return std::nullopt;
  const numeric::RealText read = numeric::read_real(text);
  const double k = read.value;
  if (read.problem != numeric::RealTextProblem::kNone || !(k > 0.0)) {
    throw OptionError(name("heterogeneity") +
                      " must be a positive number K (the Beta concentration; smaller is "
                      "stronger heterogeneity) or 'none' for equal detection, not '" +
                      text + "'");
  }
  return k;
}

// v with six significant digits, as the CSV prints it, so that the values simulated are those
// shown: "%.6g" then read back.
double six_digits(double v) { return std::strtod(significant_digits(v, 6).c_str(), nullptr); }

// Three significant digits for the account of a fit; "unknown" for a standard error the fit could
// not give (NaN).
std::string three_digit_text(double v) {
  return std::isnan(v) ? "unknown" : significant_digits(v, 3);
}

// Refuses a pilot that cannot be fitted, or whose richness is beyond what a plan simulates.
void check_pilot_fit(const PilotFit& fit, const DetectionFrequencies& pilot, const Checks& name) {
  const std::string option = name("from-pilot");
  require(fit.status != PilotStatus::kTooFewSites,
          option + ": the pilot has " + std::to_string(pilot.sites) +
              " site; how detection varies among species shows only over 2 sites or more");
  require(fit.status != PilotStatus::kNoDetection, option + ": the pilot detects no species");
  require(fit.status != PilotStatus::kUnbounded && fit.species <= kMaxSpecies,
          option + ": the pilot's detections do not bound the species richness (" +
              std::to_string(pilot.f.empty() ? 0 : pilot.f[0]) + " of its " +
              std::to_string(fit.observed) +
              " species detected at one site only): any number of species could have been "
              "missed. Give " +
              name.with_value("species", "N") + ", " + name.with_value("detection", "MEAN") +
              " and " + name.with_value("heterogeneity", "K") +
              " yourself, or a pilot with more sites");
}

// The request with the community the pilot gives where it leaves values out, and the account of
// the fit; the communities consistent with the pilot when it gives a value and targets are asked.
PlanRequest with_pilot(const PlanRequest& r, const Checks& name, CheckedPlan& checked) {
  if (!r.pilot) return r;
  for (const std::string& w : r.pilot->warnings) checked.warnings.push_back(w);
  const PilotFit fit = fit_pilot(*r.pilot);
  check_pilot_fit(fit, *r.pilot, name);
  checked.pilot_ill_determined = ill_determined_fit(fit);
  if (checked.pilot_ill_determined) checked.warnings.push_back(*checked.pilot_ill_determined);
  if (!r.targets.empty() && (!r.species || !r.detection || !r.heterogeneity)) {
    checked.pilot_communities =
        PilotCommunities{*r.pilot, fit, !r.species, !r.detection, !r.heterogeneity, r.persistence};
  }
  PlanRequest filled = r;
  if (!filled.species) filled.species = trunc_to_int(std::floor(fit.species + 0.5));
  if (!filled.detection) filled.detection = six_digits(fit.mean_detection);
  if (!filled.heterogeneity) {
    filled.heterogeneity = fit.equal_detection ? "none" : significant_digits(fit.heterogeneity, 6);
  }
  checked.pilot_fit = fit;
  checked.pilot_account =
      "the pilot (" + std::to_string(fit.sites) + " sites, " + std::to_string(fit.observed) +
      " species detected) fits N = " + three_digit_text(fit.species) + " (standard error " +
      three_digit_text(fit.species_se) + "), MEAN = " + three_digit_text(fit.mean_detection) +
      " (" + three_digit_text(fit.mean_detection_se) + "), K = " +
      (fit.equal_detection ? std::string("none (no more spread than equal detection gives)")
                           : three_digit_text(fit.heterogeneity) + " (" +
                                 three_digit_text(fit.heterogeneity_se) + ")") +
      "; simulating " +
      name.assignments({{"species", std::to_string(*filled.species)},
                        {"detection", significant_digits(*filled.detection, 6)},
                        {"heterogeneity", *filled.heterogeneity}});
  return filled;
}

Carryover carryover_of(const std::string& text, const Checks& name) {
  if (text == "kept") return Carryover::kKept;
  if (text == "redrawn") return Carryover::kRedrawn;
  throw OptionError(name("carryover") +
                    " must be 'kept' (a persisting species keeps its detection probability in "
                    "Sample 2) or 'redrawn' (it draws a new one), not '" +
                    text + "'");
}

// The targets, each of which the community can meet: a relative bias needs a true value other
// than 0.
std::vector<Target> targets_of(const PlanRequest& r, const Checks& name,
                               const Community& community) {
  const ReportedParameters reported = reported_parameters(community);
  std::vector<Target> targets;
  for (const std::string& text : r.targets) {
    const Target t = parse_target(text, name("target"));
    const ReportedParameter& p = reported[static_cast<std::size_t>(t.parameter)];
    for (const Requirement& q : t.requirements) {
      if (q.criterion != Criterion::kBias || p.truth.num != 0) continue;
      const bool colonists = t.parameter == kReportedCount - 1;
      throw OptionError(
          name("target") + " '" + text + "': " + p.name + "'s true value is 0 (" +
          (colonists
               ? "no colonists: " + name("colonists") + " 0"
               : "no persisting species: " + name("persistence") + " " + number(r.persistence)) +
          "), so its relative bias, a share of the true value, has no value for any design; "
          "give " +
          p.name + " a target on rmse, width or coverage, or assume " +
          (colonists ? "colonists" : "persisting species"));
    }
    targets.push_back(t);
  }
  return targets;
}

// The step beyond the grid of --until-target: the last step of the numbers of sites in order,
// 5 when there is one number.
std::int32_t extension_step(const PlanRequest& r, const Checks& name,
                            const std::vector<Target>& targets) {
  if (!r.until_target) return 0;
  require(!targets.empty(),
          name("until-target") + " needs a " + name.with_value("target", "TARGET") + " to reach");
  require(r.sites.has_value(), name("until-target") + " extends " +
                                   name.with_value("sites", "LIST") +
                                   " (equal numbers of sites); give it in place of " +
                                   name("sites1") + " and " + name("sites2"));
  std::vector<std::int32_t> sites = parse_site_list(*r.sites, name("sites"));
  std::sort(sites.begin(), sites.end());
  sites.erase(std::unique(sites.begin(), sites.end()), sites.end());
  constexpr std::int32_t kSingleStep = 5;  // from a single number: the usual step of a grid
  return sites.size() < 2 ? kSingleStep : sites.back() - sites[sites.size() - 2];
}

// Where --until-target's search stops: kMaxSearchSites, or twice the grid's largest design when
// that is more (at most kMaxSampleSites).
std::int32_t extension_limit(const std::vector<Design>& designs) {
  std::int32_t largest = 0;
  for (const Design& d : designs) largest = std::max({largest, d.sites1, d.sites2});
  return std::min(kMaxSampleSites, std::max(kMaxSearchSites, 2 * largest));
}

std::string count_of(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The size of the run: its first round within what a machine holds, and the rounds' bounds.
void check_size(const PlanRequest& r, const Checks& name, CheckedPlan& checked) {
  const PlanSettings& s = checked.settings;
  require(r.surveys >= 1,
          name("surveys") + " must be at least 1, not " + std::to_string(r.surveys));
  require(r.nreps >= 1 && r.nreps <= kMaxReplicates,
          name("nreps") + " must be 1 to 10000 (intervals need replicates), not " +
              std::to_string(r.nreps));
  require(r.threads >= 1 && r.threads <= kMaxThreads,
          name("threads") + " must be 1 to 1024, not " + std::to_string(r.threads));
  require(r.assurance > 0.0 && r.assurance < 1.0,
          name("assurance") +
              " must be above 0 and below 1 (a share of the communities consistent with the "
              "pilot), not " +
              number(r.assurance));
  require(r.communities >= kLeastCommunities,
          name("communities") + " must be at least " + std::to_string(kLeastCommunities) +
              " (a share of fewer says little), not " + std::to_string(r.communities));
  require(r.community_surveys >= 1, name("community-surveys") + " must be at least 1, not " +
                                        std::to_string(r.community_surveys));
  const bool communities = checked.pilot_communities.has_value();
  const std::int64_t first_round =
      communities ? std::int64_t{r.communities} * r.community_surveys : r.surveys;
  const std::int64_t designs = static_cast<std::int64_t>(s.designs.size());
  const std::int64_t total =
      designs * r.surveys + (communities ? designs * first_round : std::int64_t{0});
  require(
      total <= kMaxSimulatedSurveys,
      count_of(designs, "design", "designs") + " x " +
          (communities ? std::to_string(r.surveys + first_round) + " surveys (" +
                             std::to_string(r.surveys) + " and " + std::to_string(r.communities) +
                             " communities of " + std::to_string(r.community_surveys) + ")"
                       : std::to_string(r.surveys) + " surveys") +
          " is more than 10000000 simulated surveys; give fewer designs or " +
          (communities ? name("communities") : name("surveys")));
  const std::int64_t most =
      r.max_surveys.value_or(std::min(kMaxSimulatedSurveys, kRoundsGrowth * first_round));
  require(most >= first_round && most <= kMaxSimulatedSurveys,
          name("max-surveys") + " must be from the first round's " + std::to_string(first_round) +
              " surveys of a design" +
              (communities ? " (" + name("communities") + " x " + name("community-surveys") + ")"
                           : " (" + name("surveys") + ")") +
              " to 10000000, not " + std::to_string(most));
  checked.max_surveys = most;
}

Community community_of(const PlanRequest& r, const Checks& name, std::vector<std::string>& notes) {
  require(r.species.has_value(), name.with_value("species", "N") +
                                     " is needed: the species richness of Sample 1's community");
  require(r.detection.has_value(),
          name.with_value("detection", "MEAN") +
              " is needed: the mean detection probability per site and species");
  require(r.heterogeneity.has_value(),
          name.with_value("heterogeneity", "K") +
              " is needed: the Beta concentration of detection among species (for example 2; "
              "smaller is stronger heterogeneity), or 'none' for equal detection");
  const std::int32_t species = *r.species;
  const double detection = *r.detection;
  require(species >= 1 && species <= kMaxSpecies,
          name("species") + " must be 1 to 1000000, not " + std::to_string(species));
  require(r.persistence >= 0.0 && r.persistence <= 1.0,
          name("persistence") + " must be between 0 and 1 (a share of Sample 1's species), not " +
              number(r.persistence));
  require(r.colonists >= 0 && r.colonists <= kMaxSpecies,
          name("colonists") + " must be 0 to 1000000, not " + std::to_string(r.colonists));
  require(detection > 0.0 && detection <= 1.0,
          name("detection") + " must be above 0 and at most 1 (a probability), not " +
              number(detection));
  require(r.detection_change > 0.0 && std::isfinite(r.detection_change),
          name("detection-change") + " must be above 0, not " + number(r.detection_change));
  Community c;
  c.species = species;
  c.colonists = r.colonists;
  c.mean_detection = detection;
  c.heterogeneity = heterogeneity_of(*r.heterogeneity, name);
  c.detection_change = r.detection_change;
  c.carryover = carryover_of(r.carryover, name);
  const double persisting = species * r.persistence;
  c.persisting = trunc_to_int(std::floor(persisting + 0.5));
  if (std::fabs(persisting - c.persisting) > kWholeTolerance * species) {
    notes.push_back("note: " + std::to_string(species) + " species x persistence " +
                    number(r.persistence) + " = " + number(persisting) +
                    " persisting species; simulating " + std::to_string(c.persisting) +
                    " (PHI = " + number(static_cast<double>(c.persisting) / species) + ")");
  }
  const double mean2 = detection * r.detection_change;
  require(mean2 <= 1.0 + kWholeTolerance,
          name("detection-change") + " " + number(r.detection_change) + " with " +
              name("detection") + " " + number(detection) + " gives Sample 2 a mean detection of " +
              number(mean2) + "; choose R at most 1/MEAN = " + number(1.0 / detection));
  require(c.persisting + c.colonists >= 1, "Sample 2's community is empty: give " +
                                               name("colonists") + " or a larger " +
                                               name("persistence"));
  return c;
}

std::vector<Design> designs_of(const PlanRequest& r, const Checks& name) {
  const bool first = r.sites1.has_value();
  const bool second = r.sites2.has_value();
  require(!(r.sites && (first || second)), "give either " + name.with_value("sites", "LIST") +
                                               " (equal numbers of sites) or " +
                                               name.with_value("sites1", "LIST") + " and " +
                                               name.with_value("sites2", "LIST") + ", not both");
  if (r.sites) return equal_designs(parse_site_list(*r.sites, name("sites")));
  require(first && second,
          first || second
              ? name("sites1") + " and " + name("sites2") + " go together: give both lists"
              : "the designs are needed: " + name.with_value("sites", "LIST") +
                    " (for example 5,10,20 or 5:50:5), or " + name.with_value("sites1", "LIST") +
                    " and " + name.with_value("sites2", "LIST"));
  return crossed_designs(parse_site_list(*r.sites1, name("sites1")),
                         parse_site_list(*r.sites2, name("sites2")));
}

}  // namespace

int default_threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

CheckedPlan check_request(const PlanRequest& request, OptionStyle style) {
  const Checks name(style);
  CheckedPlan checked;
  PlanSettings& s = checked.settings;
  s.community = community_of(with_pilot(request, name, checked), name, checked.notes);
  s.designs = designs_of(request, name);
  checked.targets = targets_of(request, name, s.community);
  checked.extension_step = extension_step(request, name, checked.targets);
  checked.extension_limit = extension_limit(s.designs);
  const PlanRequest& r = request;
  check_size(r, name, checked);
  checked.assurance = r.assurance;
  checked.communities = r.communities;
  checked.community_surveys = r.community_surveys;
  s.surveys = r.surveys;
  s.replicates = r.nreps;
  s.seed = r.seed;
  s.threads = r.threads;
  return checked;
}

}  // namespace kelvaro::plan
