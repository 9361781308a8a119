#include <algorithm>

#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"
#include "planner/targets.h"

namespace kelvaro::plan {

std::vector<DesignSummary> run_checked_plan(const CheckedPlan& checked,
                                            const ProgressCallback& progress) {
  std::vector<DesignSummary> summaries = run_plan(checked.settings, progress);
  if (checked.extension_step <= 0 || smallest_meeting(summaries, checked.targets)) {
    return summaries;
  }
  std::int32_t largest = 0;
  for (const Design& d : checked.settings.designs) largest = std::max(largest, d.sites1);
  PlanSettings beyond = checked.settings;
  const std::int32_t limit = checked.extension_limit;
  for (std::int32_t next = largest + checked.extension_step; largest < limit;
       next += checked.extension_step) {
    largest = std::min(next, limit);
    beyond.designs = {{largest, largest}};
    summaries.push_back(run_plan(beyond, progress).front());
    if (meets_every_target(summaries.back(), checked.targets)) break;
  }
  return summaries;
}

}  // namespace kelvaro::plan
