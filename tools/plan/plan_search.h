#pragma once
// A checked plan run to its end: the grid's designs, and with --until-target designs beyond the
// grid, one at a time, until one meets every target. Each design's rows are those it has in any
// grid (plan_runner.h), so an extended run gives the grid's rows and then the extension's.

#include <vector>

#include "plan/plan_request.h"

namespace kelvaro::plan {

// The summaries of the grid's designs, in order; then, when checked.extension_step > 0 and no
// design meets every target, those of (largest + step, largest + 2 step, ..., 98) sites in both
// samples up to the first that does (98 is tried even when the steps pass it). `progress` is
// told about the grid, then about each design beyond it.
std::vector<DesignSummary> run_checked_plan(const CheckedPlan& checked,
                                            const ProgressCallback& progress = {});

}  // namespace kelvaro::plan
