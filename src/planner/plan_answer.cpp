#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "planner/plan_state.h"
#include "planner/significant_digits.h"
#include "planner/targets.h"

namespace kelvaro::plan {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::int32_t total_sites(const DesignResult& d) {
  return d.summary.design.sites1 + d.summary.design.sites2;
}

std::string percent(double share) { return significant_digits(100.0 * share, 3) + "%"; }

std::string count_of(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

AnsweredDesign answered(const std::vector<DesignResult>& designs, std::size_t i) {
  const DesignResult& d = designs[i];
  return {i,
          d.summary.design,
          d.summary.surveys,
          d.communities,
          d.communities > 0 ? d.assurance : kNaN,
          d.meets.value_or(false),
          d.decided};
}

// "the criteria ... within two standard errors" of a design not decided: those it meets but has
// not decided when it meets every target, else those it does not meet.
std::string undecided_criteria(const DesignResult& d, const Judging& judging) {
  std::string text;
  const bool meets = d.meets.value_or(false);
  each_check(d.summary, judging.targets,
             [&](int parameter, const Requirement& r, const CriterionCheck& c) {
               if (c.decided || c.met != meets) return;
               text += (text.empty() ? "" : ", ") + check_text(parameter, r, c);
             });
  return text;
}

// What decided the answer, or where the rounds stopped: "; decided by 200 simulated surveys of
// each", "; undecided after 3200 simulated surveys of each, within two standard errors: ...".
std::string rounds_text(const std::vector<DesignResult>& designs, const Judging& judging,
                        const std::vector<std::size_t>& examined, bool decided) {
  const DesignResult& first = designs[examined.front()];
  const bool pilot = judging.from_pilot;
  const auto amount = [pilot](const DesignResult& d) {
    return pilot ? d.communities : d.summary.surveys;
  };
  const auto unit = [&](std::int64_t n) {
    return pilot ? count_of(n, "community", "communities") + " of " +
                       std::to_string(judging.community_surveys) + " simulated surveys each"
                 : count_of(n, "simulated survey", "simulated surveys");
  };
  std::string text = decided ? "; decided by " : "; undecided after ";
  if (examined.size() == 1 || amount(first) == amount(designs[examined[1]])) {
    text += unit(amount(first)) + (examined.size() > 1 && !pilot ? " of each" : "");
  } else {
    text += unit(amount(first)) + " for " + short_design_text(first.summary.design) + " and " +
            std::to_string(amount(designs[examined[1]])) + " for " +
            short_design_text(designs[examined[1]].summary.design);
  }
  if (decided) return text;
  std::string open;
  for (const std::size_t i : examined) {
    const DesignResult& d = designs[i];
    if (d.decided) continue;
    const std::string at = examined.size() > 1 ? short_design_text(d.summary.design) + ": " : "";
    open += (open.empty() ? "" : "; ") + at +
            (pilot ? percent(d.assurance) + " (interval " + percent(d.assurance_interval.lower) +
                         " to " + percent(d.assurance_interval.upper) + ") against " +
                         percent(judging.assurance)
                   : undecided_criteria(d, judging));
  }
  return text + ", within two standard errors: " + open;
}

std::string met_text(const std::vector<DesignResult>& designs, const Judging& judging,
                     const Standing& s) {
  const DesignResult& named = designs[*s.named];
  if (!judging.from_pilot) {
    std::string text =
        "the smallest design that meets every target: " + design_text(named.summary.design);
    if (s.next_smaller) {
      text += "; the next smaller, " + short_design_text(designs[*s.next_smaller].summary.design) +
              ", does not";
    }
    return text;
  }
  std::string text =
      "the smallest design that meets every target in at least " + percent(judging.assurance) +
      " of the communities consistent with the pilot: " + design_text(named.summary.design) +
      ", in " + percent(named.assurance) + " of them";
  if (s.next_smaller) {
    const DesignResult& before = designs[*s.next_smaller];
    text += "; the next smaller, " + short_design_text(before.summary.design) + ", in " +
            percent(before.assurance);
  }
  return text;
}

std::string not_met_text(const std::vector<DesignResult>& designs, const Judging& judging,
                         const Standing& s, const Rounds& rounds) {
  const DesignResult& closest = designs[*s.closest];
  const std::string none = rounds.extended ? "no design in the grid or beyond it up to " +
                                                 std::to_string(rounds.searched_to) + " sites"
                                           : "no design in the grid";
  if (judging.from_pilot) {
    return none + " meets every target in at least " + percent(judging.assurance) +
           " of the communities consistent with the pilot; the most assured: " +
           design_text(closest.summary.design) + ", in " + percent(closest.assurance) + " of them";
  }
  std::string failed;
  each_check(closest.summary, judging.targets,
             [&](int parameter, const Requirement& r, const CriterionCheck& c) {
               if (!c.met) failed += (failed.empty() ? "" : ", ") + check_text(parameter, r, c);
             });
  return none + " meets every target; the closest: " + design_text(closest.summary.design) +
         ", where " + failed;
}

}  // namespace

void judge(DesignResult& result, const Judging& judging) {
  if (judging.targets.empty()) {
    result.meets.reset();
    result.decided = false;
    return;
  }
  if (judging.from_pilot) {
    const ShareInterval& i = result.assurance_interval;
    result.meets = result.assurance >= judging.assurance;
    result.decided = judging.assurance < i.lower || judging.assurance > i.upper;
    return;
  }
  const bool meets = meets_every_target(result.summary, judging.targets);
  bool all_decided = true, one_unmet_decided = false;
  each_check(result.summary, judging.targets,
             [&](int, const Requirement&, const CriterionCheck& c) {
               all_decided = all_decided && c.decided;
               one_unmet_decided = one_unmet_decided || (!c.met && c.decided);
             });
  result.meets = meets;
  result.decided = meets ? all_decided : one_unmet_decided;
}

std::vector<std::size_t> by_size(const std::vector<DesignResult>& designs) {
  std::vector<std::size_t> order(designs.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return total_sites(designs[a]) < total_sites(designs[b]);
  });
  return order;
}

Standing standing(const std::vector<DesignResult>& designs, const Judging& judging) {
  Standing s;
  const std::vector<std::size_t> order = by_size(designs);
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (!designs[order[k]].meets.value_or(false)) continue;
    s.named = order[k];
    if (k > 0) s.next_smaller = order[k - 1];
    return s;
  }
  double best = 0.0;
  for (const std::size_t i : order) {
    // The closest: the largest share of communities, or the smallest largest shortfall.
    const double score = judging.from_pilot
                             ? -designs[i].assurance
                             : largest_shortfall(designs[i].summary, judging.targets);
    if (!s.closest || score < best) {
      s.closest = i;
      best = score;
    }
  }
  return s;
}

PlanAnswer answer_of(const std::vector<DesignResult>& designs, const Judging& judging,
                     const Rounds& rounds, const std::optional<std::string>& rests_on,
                     std::int64_t communities_drawn, std::int64_t unfitted) {
  PlanAnswer a;
  if (judging.targets.empty() || designs.empty()) return a;
  const Standing s = standing(designs, judging);
  std::vector<std::size_t> examined;
  if (s.named) {
    a.kind = AnswerKind::kMet;
    examined.push_back(*s.named);
    if (s.next_smaller) examined.push_back(*s.next_smaller);
  } else {
    a.kind = AnswerKind::kNotMet;
    examined.push_back(*s.closest);
  }
  a.design = answered(designs, examined.front());
  if (examined.size() > 1) a.next_smaller = answered(designs, examined[1]);
  a.decided = rounds.decided;
  for (const std::size_t i : examined) {
    a.surveys = std::max(a.surveys, designs[i].summary.surveys);
    a.communities = std::max(a.communities, designs[i].communities);
  }
  a.from_pilot = judging.from_pilot;
  a.community_surveys = judging.from_pilot ? judging.community_surveys : 0;
  a.assurance_asked = judging.from_pilot ? judging.assurance : kNaN;
  a.rests_on = rests_on;
  if (unfitted > 0) {
    a.warnings.push_back(
        "of the " + count_of(communities_drawn, "community", "communities") +
        " consistent with the pilot, " + std::to_string(unfitted) +
        (unfitted == 1 ? " comes from a simulated pilot" : " come from simulated pilots") +
        " whose fit does not bound N (or puts it above ten times the pilot's): no design counts "
        "as meeting the targets in " +
        (unfitted == 1 ? "it" : "them"));
  }
  a.text = (s.named ? met_text(designs, judging, s) : not_met_text(designs, judging, s, rounds)) +
           rounds_text(designs, judging, examined, rounds.decided) +
           (rests_on ? "; this answer rests on an ill-determined pilot fit" : "");
  return a;
}

}  // namespace kelvaro::plan
