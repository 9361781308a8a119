// The page's Plan tab: kelvaro-plan's engine (the same request checks, simulations, analyses,
// summaries and answer to a target, the pilot's fit, and designs beyond the grid until a target
// is met), run on the calling thread, since a page's WebAssembly has no threads. Each survey's
// random numbers depend only on (seed, design, survey), so the summaries are those of
// kelvaro-plan with the same request, whatever its thread count.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "kelvaro/conversions.h"
#include "kelvaro/kelvaro.h"
#include "plan/design_summary.h"
#include "plan/option_error.h"
#include "plan/plan_request.h"
#include "plan/results_table.h"
#include "plan/simulation_generator.h"
#include "plan/survey_outcome.h"
#include "plan/survey_simulator.h"
#include "plan/targets.h"
#include "plan/truth.h"
#include "prep/tables.h"

namespace kelvaro::web {
namespace {

using emscripten::val;

std::optional<std::string> text_of(const val& v) {
  if (!v.isString()) return std::nullopt;
  const std::string s = v.as<std::string>();
  if (s.empty()) return std::nullopt;
  return s;
}

// A pilot survey's detection frequencies from a file's text, read as kelvaro-plan --from-pilot
// reads the file: a kelvaro input (its first item a number) gives its Sample 1, anything else is
// one site-by-species table read as kelvaro-prep reads it. Throws OptionError naming the file.
plan::DetectionFrequencies pilot_of(const std::string& text, const std::string& name) {
  const auto first =
      std::find_if(text.begin(), text.end(), [](unsigned char c) { return !std::isspace(c); });
  const bool kelvaro_input =
      first != text.end() &&
      (std::isdigit(static_cast<unsigned char>(*first)) || *first == '-' || *first == '+');
  plan::DetectionFrequencies pilot;
  if (kelvaro_input) {
    StringSource input(text);
    BlockData sample1;
    try {
      sample1 = read_sample1(input);
    } catch (const InputRefused& e) {
      throw plan::OptionError(name + (e.line() == 0 ? "" : ": line " + std::to_string(e.line())) +
                              ": cannot read a kelvaro input's Sample 1: " + e.reason());
    }
    pilot.sites = static_cast<std::int32_t>(sample1.f.size());
    for (std::size_t i = 0; i < sample1.f.size(); ++i) {
      const std::int32_t f = trunc_to_int(sample1.f[i]);
      if (f < 0) {
        throw plan::OptionError(name + ": Sample 1's f(" + std::to_string(i + 1) +
                                ") is not a count of species");
      }
      pilot.f.push_back(f);
    }
    return pilot;
  }
  try {
    tools::TextSource source(text, name);
    prep::Survey survey(false);
    prep::load_wide(source, {}, survey, survey.sample1, "Sample 1");
    pilot.sites = static_cast<std::int32_t>(survey.sample1.sites.size());
    pilot.f.assign(static_cast<std::size_t>(pilot.sites), 0);
    for (const std::uint32_t id : survey.sample1.species()) {
      const int sites = survey.sample1.detected_at(id).count();
      if (sites > 0) ++pilot.f[static_cast<std::size_t>(sites - 1)];
    }
  } catch (const std::runtime_error& e) {  // csv::InputError
    throw plan::OptionError(e.what());
  }
  return pilot;
}

plan::PlanRequest request_of(const val& r) {
  plan::PlanRequest q;
  if (!r["species"].isNull()) q.species = r["species"].as<int>();
  q.persistence = r["persistence"].as<double>();
  q.colonists = r["colonists"].as<int>();
  if (!r["detection"].isNull()) q.detection = r["detection"].as<double>();
  q.heterogeneity = text_of(r["heterogeneity"]);
  q.detection_change = r["detectionChange"].as<double>();
  q.sites = text_of(r["sites"]);
  q.sites1 = text_of(r["sites1"]);
  q.sites2 = text_of(r["sites2"]);
  q.surveys = r["surveys"].as<int>();
  q.nreps = r["nreps"].as<int>();
  q.seed = static_cast<std::uint64_t>(r["seed"].as<double>());
  q.threads = 1;
  if (const auto carryover = text_of(r["carryover"])) q.carryover = *carryover;
  q.until_target = r["untilTarget"].as<bool>();
  if (const auto target = text_of(r["target"])) q.targets.push_back(*target);
  // The pilot file's bytes, when one was given.
  if (const val pilot = r["pilot"]; !pilot.isNull() && !pilot.isUndefined()) {
    q.pilot = pilot_of(pilot.as<std::string>(), r["pilotName"].as<std::string>());
  }
  return q;
}

val summary_object(const plan::DesignSummary& d, const plan::ReportedParameters& reported) {
  val o = val::object();
  o.set("sites1", d.design.sites1);
  o.set("sites2", d.design.sites2);
  o.set("meanObserved1", d.mean_observed1);
  o.set("meanObserved2", d.mean_observed2);
  val parameters = val::array();
  for (int i = 0; i < plan::kReportedCount; ++i) {
    const plan::ParameterSummary& p = d.parameters[static_cast<std::size_t>(i)];
    val q = val::object();
    q.set("name", std::string(reported[static_cast<std::size_t>(i)].name));
    q.set("truth", p.truth);
    q.set("meanEstimate", p.mean_estimate);
    q.set("relativeBias", p.relative_bias);
    q.set("relativeBiasSe", p.relative_bias_se);
    q.set("rmse", p.rmse);
    q.set("rmseSe", p.rmse_se);
    q.set("coverage", p.coverage);
    q.set("coverageSe", p.coverage_se);
    q.set("meanWidth", p.mean_width);
    q.set("meanWidthSe", p.mean_width_se);
    q.set("cappedShare", p.capped_share);
    q.set("surveysEstimated", static_cast<double>(p.surveys_estimated));
    parameters.call<void>("push", q);
  }
  o.set("parameters", parameters);
  return o;
}

// Simulates and analyses designs one survey after another, as kelvaro-plan's workers do, and
// tells `progress` at most once per percent of `total` surveys.
class SurveyRunner {
 public:
  SurveyRunner(const plan::PlanSettings& settings, val progress, std::int64_t total)
      : settings_(settings),
        reported_(plan::reported_parameters(settings.community)),
        progress_(std::move(progress)),
        total_(total) {}

  plan::DesignSummary summary(const plan::Design& design) {
    std::vector<plan::SurveyOutcome> outcomes;
    for (std::int64_t survey = 0; survey < settings_.surveys; ++survey) {
      plan::SimulationGenerator g = plan::SimulationGenerator::for_survey(
          settings_.seed, design.sites1, design.sites2, survey);
      const plan::SimulatedSurvey simulated = plan::simulate_survey(settings_.community, design, g);
      outcomes.push_back(plan::analyse_survey(
          simulated, reported_, settings_.replicates,
          plan::analysis_seed(settings_.seed, design.sites1, design.sites2, survey)));
      tell(design);
    }
    return plan::summarise_design(design, outcomes, reported_);
  }
  // Designs beyond the grid: `total` grows by one design's surveys.
  void extend() { total_ += settings_.surveys; }
  const plan::ReportedParameters& reported() const { return reported_; }

 private:
  void tell(const plan::Design& design) {
    const int percent = static_cast<int>(100 * ++done_ / total_);
    if (percent == last_percent_ || progress_.isNull() || progress_.isUndefined()) return;
    last_percent_ = percent;
    progress_(val("surveys"), design.sites1, static_cast<double>(done_),
              static_cast<double>(total_));
  }

  const plan::PlanSettings& settings_;
  const plan::ReportedParameters reported_;
  val progress_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  int last_percent_ = -1;
};

// The grid's designs, then (with until-target) designs beyond it as kelvaro-plan's search makes
// them: the largest number of sites plus the step, and so on up to 98, until one meets every
// target.
std::vector<plan::DesignSummary> run_designs(const plan::CheckedPlan& checked, SurveyRunner& run) {
  const plan::PlanSettings& s = checked.settings;
  std::vector<plan::DesignSummary> summaries;
  for (const plan::Design& design : s.designs) summaries.push_back(run.summary(design));
  if (checked.extension_step <= 0 || plan::smallest_meeting(summaries, checked.targets)) {
    return summaries;
  }
  std::int32_t largest = 0;
  for (const plan::Design& d : s.designs) largest = std::max(largest, d.sites1);
  for (std::int32_t next = largest + checked.extension_step; largest < kMaxSites;
       next += checked.extension_step) {
    largest = std::min(next, kMaxSites);
    run.extend();
    summaries.push_back(run.summary({largest, largest}));
    if (plan::meets_every_target(summaries.back(), checked.targets)) break;
  }
  return summaries;
}

val refused(const std::string& message) {
  val out = val::object();
  out.set("status", 2);
  out.set("message", message);
  return out;
}

// A plan as kelvaro-plan makes it, with everything the page shows: the designs' summaries, the
// CSV, the notes and the pilot's account, and the answer to the target.
val run_survey_plan(val request, val progress) {
  plan::CheckedPlan checked;
  try {
    checked = plan::check_request(request_of(request), plan::OptionStyle::kArgument);
  } catch (const plan::OptionError& e) {
    return refused(e.what());
  }
  const plan::PlanSettings& s = checked.settings;
  SurveyRunner runner(s, progress, static_cast<std::int64_t>(s.designs.size()) * s.surveys);
  const std::vector<plan::DesignSummary> summaries = run_designs(checked, runner);
  val out = val::object();
  out.set("status", 0);
  val notes = val::array();
  for (const std::string& n : checked.notes) notes.call<void>("push", n);
  out.set("notes", notes);
  out.set("pilot", checked.pilot_fit ? checked.pilot_account : std::string());
  val designs = val::array();
  for (const plan::DesignSummary& d : summaries) {
    designs.call<void>("push", summary_object(d, runner.reported()));
  }
  out.set("designs", designs);
  out.set("csv", plan::results_csv(summaries, runner.reported(), s.community, checked.targets));
  // kelvaro-plan's answer to the targets, as it prints it after its name.
  out.set("answer", checked.targets.empty() ? std::string()
                                            : plan::target_answer(summaries, checked.targets));
  return out;
}

}  // namespace
}  // namespace kelvaro::web

EMSCRIPTEN_BINDINGS(kelvaro_plan) {
  emscripten::function("planSurvey", &kelvaro::web::run_survey_plan);
}
