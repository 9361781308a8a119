#pragma once
// What a planning run is asked to reach, and the answer: which designs meet every target, and the
// smallest of them. A target names a parameter and criteria on its summary:
//   "N(1):bias<=0.10,coverage>=0.90"   |relative bias| at most 0.10 and coverage at least 0.90
//   "PHI:rmse<=0.05"  "B:width<=20"    rmse, mean interval width at most the bound
// A criterion's margin is how far the design is inside it (bound - value for bias, rmse and
// width; value - bound for coverage); a design meets it when the margin is 0 or more, and the
// answer is uncertain when the margin is within two Monte Carlo standard errors of 0.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "plan/design_summary.h"

namespace kelvaro::plan {

enum class Criterion {
  kBias,      // |relative_bias| <= bound
  kRmse,      // rmse <= bound
  kCoverage,  // coverage >= bound
  kWidth,     // mean_interval_width <= bound
};

struct Requirement {
  Criterion criterion = Criterion::kBias;
  double bound = 0.0;
};

struct Target {
  int parameter = 0;  // position in the reported order: N(1), N(2), PHI, GAMMA, LAMBDA, B
  std::vector<Requirement> requirements;
};

// A target from its text (above). Parameter and criterion names are taken in any case; bounds are
// numbers of 0 or more (coverage at most 1). Throws OptionError naming `option` and saying how
// to write a target: no ':', an unknown parameter or criterion, a criterion with the wrong
// comparison ("coverage<=0.9"), a bound that is not a number or out of range.
Target parse_target(const std::string& text, const std::string& option);

// How one criterion stands for one design: its value, its standard error, the margin (NaN when
// the value is NaN: not met) and whether it is met or uncertain.
struct CriterionCheck {
  double value = 0.0;
  double standard_error = 0.0;
  double margin = 0.0;
  bool met = false;
  bool uncertain = false;  // |margin| within two standard errors (a finite one)
};
CriterionCheck check_criterion(const ParameterSummary& p, const Requirement& r);

// For the rows of a design: whether parameter k meets every target on it; none when no target
// names it.
std::optional<bool> meets_targets(const DesignSummary& d, int k,
                                  const std::vector<Target>& targets);

// Whether the design meets every target.
bool meets_every_target(const DesignSummary& d, const std::vector<Target>& targets);

// The answer for a grid, as one line without the program's name:
//   the smallest design that meets every target: 15 sites (sites1 = 15, sites2 = 15)
// (fewest sites in all, the first in the grid among equals), with "; uncertain: ..." naming a
// criterion within two standard errors; or, when none does,
//   no design in the grid meets every target; the closest: 60 sites (sites1 = 60, sites2 = 60),
//   where N(1) coverage is 0.665 (standard error 0.033) against >= 0.9
// (the closest: the smallest largest shortfall, as a share of its bound), with "; uncertain:
// within two standard errors of meeting it" when every shortfall is.
// Requires: designs and targets not empty.
std::string target_answer(const std::vector<DesignSummary>& designs,
                          const std::vector<Target>& targets);

// The position of the smallest design meeting every target, if any.
std::optional<std::size_t> smallest_meeting(const std::vector<DesignSummary>& designs,
                                            const std::vector<Target>& targets);

}  // namespace kelvaro::plan
