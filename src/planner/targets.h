#pragma once
// Targets read from their text and checked against a design's summary (kelvaro/planner.h says
// what a target is and how the answer is given).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

// A target from its text (kelvaro/planner.h). Parameter and criterion names are taken in any case;
// bounds are numbers of 0 or more (coverage at most 1). Throws OptionError naming `option` and
// saying how to write a target: no ':', an unknown parameter or criterion, a criterion with the
// wrong comparison ("coverage<=0.9"), a bound that is not a number or out of range.
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

// Whether the design meets every target.
bool meets_every_target(const DesignSummary& d, const std::vector<Target>& targets);

// The position of the smallest design meeting every target, if any.
std::optional<std::size_t> smallest_meeting(const std::vector<DesignSummary>& designs,
                                            const std::vector<Target>& targets);

}  // namespace kelvaro::plan
