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
// the value is NaN: not met), whether it is met, and whether that is decided (kelvaro/planner.h
// says when) or uncertain (not decided: within two standard errors).
struct CriterionCheck {
  double value = 0.0;
  double standard_error = 0.0;
  double margin = 0.0;
  bool met = false;
  bool decided = false;
  bool uncertain = false;
};
CriterionCheck check_criterion(const ParameterSummary& p, const Requirement& r);

// Calls visit(parameter, requirement, check) for every criterion of every target on design d.
template <class Visit>
void each_check(const DesignSummary& d, const std::vector<Target>& targets, Visit visit) {
  for (const Target& t : targets) {
    const ParameterSummary& p = d.parameters[static_cast<std::size_t>(t.parameter)];
    for (const Requirement& r : t.requirements) visit(t.parameter, r, check_criterion(p, r));
  }
}

// A design as the answers name it: "15 sites", "10 and 20 sites"; and with its two numbers,
// "15 sites (sites1 = 15, sites2 = 15)".
std::string short_design_text(Design d);
std::string design_text(Design d);

// "N(1) coverage 0.665 (standard error 0.033) against >= 0.9"
std::string check_text(int parameter, const Requirement& r, const CriterionCheck& c);

// The largest shortfall of design d, as a share of its bound (of 1 for a bound of 0); infinite
// for a criterion without a value, 0 when it meets every target.
double largest_shortfall(const DesignSummary& d, const std::vector<Target>& targets);

// Whether the design meets every target.
bool meets_every_target(const DesignSummary& d, const std::vector<Target>& targets);

// The position of the smallest design meeting every target, if any.
std::optional<std::size_t> smallest_meeting(const std::vector<DesignSummary>& designs,
                                            const std::vector<Target>& targets);

}  // namespace kelvaro::plan
