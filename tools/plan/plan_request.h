#pragma once
// What a user asks a planning run for, as given (the command line's options, or a function's
// arguments in the R package), and its checks: a request becomes the settings of a run, or is
// refused with one message saying what is wrong and how to put it right. Whichever way the values
// came, they are checked here, so the refusals and the run are the same.
//
// Messages name the options as the caller's user writes them: "--detection-change" on the
// command line, "detection_change" as an argument:
//   --detection must be above 0 and at most 1 (a probability), not 1.5
//   detection must be above 0 and at most 1 (a probability), not 1.5

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plan/pilot_fit.h"
#include "plan/plan_runner.h"
#include "plan/targets.h"

namespace kelvaro::plan {

enum class OptionStyle {
  kCommandLine,  // --detection-change
  kArgument,     // detection_change
};

// Values a user may leave out are optional: the checks say which are needed.
struct PlanRequest {
  std::optional<std::int32_t> species;       // N: richness of Sample 1's community, 1..1000000
  double persistence = 1.0;                  // PHI: share of those present in Sample 2, 0..1
  std::int32_t colonists = 0;                // C: species new in Sample 2, 0..1000000
  std::optional<double> detection;           // MEAN: mean detection probability, in (0, 1]
  std::optional<std::string> heterogeneity;  // K as text (a positive number), or "none"
  double detection_change = 1.0;             // R: Sample 2's detection = R x Sample 1's
  // The designs as site lists (site_lists.h: "5,10,20", "5:50:5"): equal numbers of sites from
  // `sites`, or every pair of `sites1` and `sites2`; one way or the other, not both.
  std::optional<std::string> sites;
  std::optional<std::string> sites1;
  std::optional<std::string> sites2;
  std::int32_t surveys = 200;  // simulated surveys per design, at least 1
  std::int32_t nreps = 100;    // bootstrap replicates of each analysis, 1..10000
  std::uint64_t seed = 400;    // fixes everything
  int threads = 1;             // worker threads, 1..1024
  // What the community's detection does between the samples: "kept" or "redrawn".
  std::string carryover = "kept";
  // A pilot survey's detection frequencies: species, detection and heterogeneity fitted from
  // them (pilot_fit.h) where the request leaves them out.
  std::optional<DetectionFrequencies> pilot;
  // Targets as text (targets.h: "N(1):bias<=0.10,coverage>=0.90"), every one to be met.
  std::vector<std::string> targets;
  // Extend the designs upward (equal designs only) until every target is met or 98 sites.
  bool until_target = false;
};

// What threads defaults to when the user does not say: the machine's cores (1 when it cannot
// tell).
int default_threads();

// A checked request: the run's settings, and what the user should know about how values were
// taken (one line each, starting "note: ").
struct CheckedPlan {
  PlanSettings settings;
  std::vector<std::string> notes;
  std::vector<Target> targets;
  // With until_target: the step of the designs beyond the grid (0: no extension).
  std::int32_t extension_step = 0;
  // The pilot's fit, when a pilot was given, and its account (one line, without "note: ").
  std::optional<PilotFit> pilot_fit;
  std::string pilot_account;
};

// Checks `request` value by value (the pilot, the community, then the designs, the targets, then
// the run's size) and gives the run's settings. N x PHI persisting species is rounded to the
// nearest whole number, with a note when it was not one already. A pilot is fitted (pilot_fit.h)
// and its values, to six significant digits, stand in for species, detection and heterogeneity
// where the request leaves them out; a pilot that does not bound N is refused. Throws OptionError
// (option_error.h) at the first value missing or refused.
CheckedPlan check_request(const PlanRequest& request, OptionStyle style);

}  // namespace kelvaro::plan
