#pragma once
// A plan's designs as its rounds leave them, and the answer drawn from them
// (kelvaro/planner.h: plan_survey).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

// How the designs of a plan are judged against its targets.
struct Judging {
  std::vector<Target> targets;
  bool from_pilot = false;  // by their share of the pilot's communities
  double assurance = 0.8;   // the share asked
  std::int32_t community_surveys = 0;
};

// Whether the design meets the targets and whether that is decided (kelvaro/planner.h), from its
// summary or its share of the pilot's communities; fills result.meets and result.decided.
void judge(DesignResult& result, const Judging& judging);

// The positions of the designs by size: the sites of both samples together, the grid's order
// among equals.
std::vector<std::size_t> by_size(const std::vector<DesignResult>& designs);

// Where the answer stands: the design named (the first by size meeting the targets) and the one
// before it, or the closest when none meets.
struct Standing {
  std::optional<std::size_t> named;
  std::optional<std::size_t> next_smaller;
  std::optional<std::size_t> closest;
};
Standing standing(const std::vector<DesignResult>& designs, const Judging& judging);

// What the rounds ended with, for the answer's text.
struct Rounds {
  bool decided = false;
  bool extended = false;         // designs were tried beyond the grid
  std::int32_t searched_to = 0;  // the largest number of sites tried, when extended
};

// The answer as values and text, once the rounds have ended. `rests_on`: the ill-determined
// fit's warning; `unfitted`: of the pilot's communities drawn, those whose fit did not bound N.
PlanAnswer answer_of(const std::vector<DesignResult>& designs, const Judging& judging,
                     const Rounds& rounds, const std::optional<std::string>& rests_on,
                     std::int64_t communities_drawn, std::int64_t unfitted);

}  // namespace kelvaro::plan
