// The page's Plan tab: kelvaro-plan's engine (the same request checks, simulations, analyses,
// summaries and answer to a target), run on the calling thread, since a page's WebAssembly has no
// threads. Each survey's random numbers depend only on (seed, design, survey), so the summaries are
// those of kelvaro-plan with the same request, whatever its thread count.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>
#include <vector>

#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"

namespace kelvaro::web {
namespace {

using emscripten::val;

std::optional<std::string> text_of(const val& v) {
  if (!v.isString()) return std::nullopt;
  const std::string s = v.as<std::string>();
  if (s.empty()) return std::nullopt;
  return s;
}

plan::PlanRequest request_of(const val& r) {
  plan::PlanRequest q;
  q.species = r["species"].as<int>();
  q.persistence = r["persistence"].as<double>();
  q.colonists = r["colonists"].as<int>();
  q.detection = r["detection"].as<double>();
  q.heterogeneity = text_of(r["heterogeneity"]);
  q.detection_change = r["detectionChange"].as<double>();
  q.sites = text_of(r["sites"]);
  q.surveys = r["surveys"].as<int>();
  q.nreps = r["nreps"].as<int>();
  q.seed = static_cast<std::uint64_t>(r["seed"].as<double>());
  q.threads = 1;
  if (const auto target = text_of(r["target"])) q.targets.push_back(*target);
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
    q.set("rmse", p.rmse);
    q.set("coverage", p.coverage);
    q.set("meanWidth", p.mean_width);
    parameters.call<void>("push", q);
  }
  o.set("parameters", parameters);
  return o;
}

// Every design's surveys simulated and analysed in order, as kelvaro-plan's workers do them.
val run_survey_plan(val request, val progress) {
  plan::CheckedPlan checked;
  try {
    checked = plan::check_request(request_of(request), plan::OptionStyle::kArgument);
  } catch (const plan::OptionError& e) {
    val out = val::object();
    out.set("status", 2);
    out.set("message", std::string(e.what()));
    return out;
  }
  const plan::PlanSettings& s = checked.settings;
  const plan::ReportedParameters reported = plan::reported_parameters(s.community);
  const std::int64_t total = static_cast<std::int64_t>(s.designs.size()) * s.surveys;
  std::int64_t done = 0;
  int last_percent = -1;
  std::vector<plan::DesignSummary> summaries;
  for (const plan::Design& design : s.designs) {
    std::vector<plan::SurveyOutcome> outcomes;
    for (std::int64_t survey = 0; survey < s.surveys; ++survey) {
      plan::SimulationGenerator g =
          plan::SimulationGenerator::for_survey(s.seed, design.sites1, design.sites2, survey);
      const plan::SimulatedSurvey simulated = plan::simulate_survey(s.community, design, g);
      outcomes.push_back(
          plan::analyse_survey(simulated, reported, s.replicates,
                               plan::analysis_seed(s.seed, design.sites1, design.sites2, survey)));
      const int percent = static_cast<int>(100 * ++done / total);
      if (percent != last_percent && !progress.isNull() && !progress.isUndefined()) {
        last_percent = percent;
        progress(val("surveys"), 0, static_cast<double>(done), static_cast<double>(total));
      }
    }
    summaries.push_back(plan::summarise_design(design, outcomes, reported));
  }
  val out = val::object();
  out.set("status", 0);
  val notes = val::array();
  for (const std::string& n : checked.notes) notes.call<void>("push", n);
  out.set("notes", notes);
  val designs = val::array();
  for (const plan::DesignSummary& d : summaries) {
    designs.call<void>("push", summary_object(d, reported));
  }
  out.set("designs", designs);
  out.set("csv", plan::results_csv(summaries, reported, s.community, checked.targets));
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
