// kelvaro.plan: kelvaro-plan's request checked with its checks (the options named as the
// function's arguments), its simulation run to its answer on the library's threads (rounds of
// surveys, the communities consistent with a pilot), its CSV, its answer and its warnings.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "interrupt.h"
#include "kelvaro/planner.h"
#include "kelvaro/survey_simulation.h"
#include "sources.h"

namespace py = pybind11;
namespace plan = kelvaro::plan;

namespace {

template <class T>
std::optional<T> optional_of(const py::dict& d, const char* name) {
  if (!d.contains(name) || d[name].is_none()) return std::nullopt;
  return d[name].cast<T>();
}

// The pilot: ("path", path) read as kelvaro-plan reads --from-pilot, or ("bytes", csv, name) a
// table the Python code wrote.
plan::DetectionFrequencies pilot_of(const TableSource& pilot) {
  if (pilot.is_path) return plan::read_pilot(pilot.path, "from_pilot");
  try {
    return plan::pilot_from_text(std::string(pilot.bytes), pilot.name);
  } catch (const plan::OptionError& e) {
    throw plan::OptionError(std::string("from_pilot: ") + e.what());
  }
}

}  // namespace

// `request`: the Python arguments by name (kelvaro/__init__.py has checked their types); the
// values are checked here, as kelvaro-plan checks its options.
py::dict plan_survey(const py::dict& r, const py::object& progress) {
  plan::PlanRequest request;
  request.species = optional_of<std::int32_t>(r, "species");
  request.persistence = r["persistence"].cast<double>();
  request.colonists = r["colonists"].cast<std::int32_t>();
  request.detection = optional_of<double>(r, "detection");
  request.heterogeneity = optional_of<std::string>(r, "heterogeneity");
  request.detection_change = r["detection_change"].cast<double>();
  request.sites = optional_of<std::string>(r, "sites");
  request.sites1 = optional_of<std::string>(r, "sites1");
  request.sites2 = optional_of<std::string>(r, "sites2");
  request.surveys = r["surveys"].cast<std::int32_t>();
  request.nreps = r["nreps"].cast<std::int32_t>();
  request.seed = r["seed"].cast<std::uint64_t>();
  const std::optional<int> threads = optional_of<int>(r, "threads");
  request.threads = threads ? *threads : plan::default_threads();
  request.carryover = r["carryover"].cast<std::string>();
  request.targets = r["target"].cast<std::vector<std::string>>();
  request.until_target = r["until_target"].cast<bool>();
  request.assurance = r["assurance"].cast<double>();
  request.communities = r["communities"].cast<std::int32_t>();
  request.community_surveys = r["community_surveys"].cast<std::int32_t>();
  request.max_surveys = optional_of<std::int64_t>(r, "max_surveys");
  std::optional<TableSource> pilot;
  if (!r["from_pilot"].is_none()) pilot = table_source(r["from_pilot"].cast<py::tuple>());

  Interrupt interrupt(progress);
  plan::PlanResult result;
  plan::CheckedPlan checked;
  const auto start = std::chrono::steady_clock::now();
  try {
    py::gil_scoped_release release;
    if (pilot) request.pilot = pilot_of(*pilot);
    checked = plan::check_request(request, plan::OptionStyle::kArgument);
    result = plan::plan_survey(checked, [&](std::int64_t done, std::int64_t total) {
      const auto text = [&] {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        return plan::progress_text(done, total, elapsed.count());
      };
      if (interrupt.requested(text)) throw Interrupted{};
    });
  } catch (const Interrupted&) {
  }
  interrupt.rethrow();
  py::dict out;
  out["csv"] = py::str(plan::results_csv(result));
  out["notes"] = py::cast(checked.notes);
  out["pilot_fit"] = checked.pilot_fit ? py::object(py::str(checked.pilot_account)) : py::none();
  // kelvaro-plan's "warning: " lines: the pilot's and the request's, then the answer's.
  std::vector<std::string> warnings = checked.warnings;
  warnings.insert(warnings.end(), result.answer.warnings.begin(), result.answer.warnings.end());
  out["warnings"] = py::cast(warnings);
  out["answer"] = result.answer.kind == plan::AnswerKind::kNoTargets
                      ? py::none()
                      : py::object(py::str(result.answer.text));
  return out;
}
