// The page's Plan tab: kelvaro-plan's engine (the same request checks, simulations, analyses,
// summaries and answer to a target, the pilot's fit, and designs beyond the grid until a target
// is met), run on the calling thread, since a page's WebAssembly has no threads. Each survey's
// random numbers depend only on (seed, design, survey), so the summaries are those of
// kelvaro-plan with the same request, whatever its thread count.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <cstdint>
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
  // kelvaro-plan's --assurance (a share) and --max-surveys; its defaults when not given.
  if (r["assurance"].isNumber()) q.assurance = r["assurance"].as<double>();
  if (r["maxSurveys"].isNumber()) {
    q.max_surveys = static_cast<std::int64_t>(r["maxSurveys"].as<double>());
  }
  // The pilot file's bytes, when one was given.
  if (const val pilot = r["pilot"]; !pilot.isNull() && !pilot.isUndefined()) {
    q.pilot = plan::pilot_from_text(pilot.as<std::string>(), r["pilotName"].as<std::string>());
  }
  return q;
}

// A number, or null for NaN (a design without the pilot's communities has no assurance).
val number_or_null(double x) { return std::isnan(x) ? val::null() : val(x); }

val summary_object(const plan::DesignResult& result, const plan::ReportedParameters& reported) {
  const plan::DesignSummary& d = result.summary;
  val o = val::object();
  o.set("surveys", static_cast<double>(d.surveys));
  o.set("meets", result.meets ? val(*result.meets) : val::null());
  o.set("decided", result.decided);
  o.set("communities", static_cast<double>(result.communities));
  o.set("assurance", result.communities > 0 ? number_or_null(result.assurance) : val::null());
  o.set("assuranceSe", result.communities > 0 ? number_or_null(result.assurance_se) : val::null());
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

val refused(const std::string& message) {
  val out = val::object();
  out.set("status", 2);
  out.set("message", message);
  return out;
}

// A plan as kelvaro-plan makes it, with everything the page shows: the designs' summaries, the
// CSV, the notes and the pilot's account, and the answer to the target. `progress` is told how
// many surveys of the grid (then of each design beyond it) are done, about ten times a second.
val run_survey_plan(val request, val progress) {
  plan::CheckedPlan checked;
  try {
    checked = plan::check_request(request_of(request), plan::OptionStyle::kArgument);
  } catch (const plan::OptionError& e) {
    return refused(e.what());
  }
  checked.settings.threads = 0;  // the calling thread simulates every survey
  const plan::ProgressCallback told = [&](std::int64_t done, std::int64_t total) {
    if (progress.isNull() || progress.isUndefined()) return;
    progress(val("surveys"), 0, static_cast<double>(done), static_cast<double>(total));
  };
  const plan::PlanResult result = plan::plan_survey(checked, told);
  const plan::PlanSettings& s = checked.settings;
  const plan::ReportedParameters reported = plan::reported_parameters(s.community);
  val out = val::object();
  out.set("status", 0);
  val notes = val::array();
  for (const std::string& n : checked.notes) notes.call<void>("push", n);
  out.set("notes", notes);
  out.set("pilot", checked.pilot_fit ? checked.pilot_account : std::string());
  val designs = val::array();
  for (const plan::DesignResult& d : result.designs) {
    designs.call<void>("push", summary_object(d, reported));
  }
  out.set("designs", designs);
  out.set("csv", plan::results_csv(result));
  // kelvaro-plan's answer to the targets, as it prints it after its name.
  out.set("answer", checked.targets.empty() ? std::string() : result.answer.text);
  out.set("fromPilot", result.from_pilot);
  val warnings = val::array();
  for (const std::string& w : checked.warnings) warnings.call<void>("push", w);
  for (const std::string& w : result.answer.warnings) warnings.call<void>("push", w);
  out.set("warnings", warnings);
  return out;
}

}  // namespace
}  // namespace kelvaro::web

EMSCRIPTEN_BINDINGS(kelvaro_plan) {
  emscripten::function("planSurvey", &kelvaro::web::run_survey_plan);
}
