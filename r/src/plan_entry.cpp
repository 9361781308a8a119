// The package's entry point into the survey planner's engine (the project's tools/plan/, as the
// kelvaro-plan command runs it): the request checked as the command checks its options, the plan
// run on the engine's worker threads, and its summaries as a data frame. Nothing passes through
// the command or its CSV.

#include <Rcpp.h>

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"
#include "plan_progress.h"
#include "plan_table.h"

namespace {

namespace plan = kelvaro::plan;
using Rcpp::_;

// The R code has checked every element: NULL (not given), or one value of the right type; site
// lists are whole numbers within R's integers or one string in the command's list syntax.

std::optional<double> optional_number(const Rcpp::List& request, const char* name) {
  if (Rf_isNull(request[name])) return std::nullopt;
  return Rcpp::as<double>(request[name]);
}

// A number as the shortest text that reads back as the same double ("0.5", "1e-06").
std::string number_text(double v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

// Heterogeneity as the engine takes it: K's text, or "none".
std::optional<std::string> heterogeneity_text(SEXP value) {
  if (Rf_isNull(value)) return std::nullopt;
  if (Rf_isString(value)) return Rcpp::as<std::string>(value);
  return number_text(Rcpp::as<double>(value));
}

// A site list as the engine reads it: "5,10,20" from c(5, 10, 20), or the string as given.
std::optional<std::string> site_list(SEXP value) {
  if (Rf_isNull(value)) return std::nullopt;
  if (Rf_isString(value)) return Rcpp::as<std::string>(value);
  std::string text;
  for (const int t : Rcpp::IntegerVector(value)) {
    if (!text.empty()) text += ',';
    text += std::to_string(t);
  }
  return text;
}

plan::PlanRequest request_of(const Rcpp::List& r) {
  plan::PlanRequest request;
  if (!Rf_isNull(r["species"])) request.species = Rcpp::as<int>(r["species"]);
  request.persistence = Rcpp::as<double>(r["persistence"]);
  request.colonists = Rcpp::as<int>(r["colonists"]);
  request.detection = optional_number(r, "detection");
  request.heterogeneity = heterogeneity_text(r["heterogeneity"]);
  request.detection_change = Rcpp::as<double>(r["detection_change"]);
  request.sites = site_list(r["sites"]);
  request.sites1 = site_list(r["sites1"]);
  request.sites2 = site_list(r["sites2"]);
  request.surveys = Rcpp::as<int>(r["surveys"]);
  request.nreps = Rcpp::as<int>(r["nreps"]);
  request.seed = static_cast<std::uint64_t>(Rcpp::as<int>(r["seed"]));  // 0 or more
  request.threads = Rf_isNull(r["threads"]) ? plan::default_threads() : Rcpp::as<int>(r["threads"]);
  request.targets = Rcpp::as<std::vector<std::string>>(r["target"]);
  request.until_target = Rcpp::as<bool>(r["until_target"]);
  request.carryover = Rcpp::as<std::string>(r["carryover"]);
  request.assurance = Rcpp::as<double>(r["assurance"]);
  request.communities = Rcpp::as<int>(r["communities"]);
  request.community_surveys = Rcpp::as<int>(r["community_surveys"]);
  if (const auto most = optional_number(r, "max_surveys")) {
    // A whole number within R's integers, as the R code checks.
    request.max_surveys = static_cast<std::int64_t>(*most);
  }
  if (!Rf_isNull(r["pilot"])) {
    const Rcpp::List pilot = r["pilot"];
    plan::DetectionFrequencies frequencies;
    frequencies.sites = Rcpp::as<int>(pilot["sites"]);
    for (const int f : Rcpp::IntegerVector(pilot["f"])) frequencies.f.push_back(f);
    request.pilot = frequencies;
  }
  return request;
}

}  // namespace

// Gives list(table = <data frame>, notes = <character>, warnings = <character>, pilot = <the
// fit's account or NULL>, answer = <the answer line or NULL>) for a plan run to its answer as
// kelvaro-plan runs it (rounds of surveys until the answer to the targets is decided; with a
// pilot, over the communities consistent with it), or list(refusal = <message>) for a request
// the engine refuses, the options named as the R function's arguments. warnings: the request's
// and the answer's, as kelvaro-plan prints them after "warning: ".
// rng = false: the engine has its own generators and never touches R's.
// [[Rcpp::export(.plan, rng = false)]]
Rcpp::List plan_entry(Rcpp::List request, bool show_progress) {
  return guarded("kelvaro_plan", [&] {
    plan::CheckedPlan checked;
    try {
      checked = plan::check_request(request_of(request), plan::OptionStyle::kArgument);
    } catch (const plan::OptionError& e) {
      return Rcpp::List::create(_["refusal"] = std::string(e.what()));
    }
    PlanProgress progress(show_progress);
    bool told = false;  // once, though a search for a design meeting targets runs again
    checked.settings.threads_short = [&told](int asked, int used) {
      if (!told) {
        REprintf("kelvaro_plan: %s\n", kelvaro::threads_short_text(asked, used, "the run").c_str());
      }
      told = true;
    };
    const plan::PlanResult result = plan::plan_survey(
        checked,
        [&progress](std::int64_t done, std::int64_t total) { progress.update(done, total); });
    std::vector<std::string> warnings = checked.warnings;
    warnings.insert(warnings.end(), result.answer.warnings.begin(), result.answer.warnings.end());
    SEXP pilot = checked.pilot_fit ? Rcpp::wrap(checked.pilot_account) : R_NilValue;
    SEXP answer = result.answer.kind == plan::AnswerKind::kNoTargets
                      ? R_NilValue
                      : Rcpp::wrap(result.answer.text);
    return Rcpp::List::create(
        _["table"] = plan_table(result), _["notes"] = Rcpp::wrap(checked.notes),
        _["warnings"] = Rcpp::wrap(warnings), _["pilot"] = pilot, _["answer"] = answer);
  });
}
