#include <algorithm>
#include <span>

#include "planner/plan_state.h"
#include "planner/plausible_communities.h"
#include "planner/survey_jobs.h"
#include "planner/targets.h"

namespace kelvaro::plan {
namespace {

// What a round adds to one design: surveys in the community assumed, and pilot's communities.
struct Growth {
  std::size_t design = 0;
  std::int64_t surveys = 0;
  std::int64_t communities = 0;
};

class PlanRun {
 public:
  PlanRun(const CheckedPlan& checked, const ProgressCallback& progress)
      : checked_(checked), progress_(progress), pool_(checked.settings) {
    // Each round starts the pool anew; the caller hears of threads that would not start once.
    pool_.threads_short = [this](int asked, int used) {
      if (told_short_ || !checked_.settings.threads_short) return;
      told_short_ = true;
      checked_.settings.threads_short(asked, used);
    };
    judging_.targets = checked.targets;
    judging_.from_pilot = checked.pilot_communities.has_value() && !checked.targets.empty();
    judging_.assurance = checked.assurance;
    judging_.community_surveys = checked.community_surveys;
  }

  PlanResult run() {
    std::vector<Growth> first;
    for (const Design& d : checked_.settings.designs) first.push_back(add_design(d));
    simulate(first);
    Rounds rounds = go_to_answer();
    PlanResult result;
    result.community = checked_.settings.community;
    result.targets = checked_.targets;
    result.from_pilot = judging_.from_pilot;
    const std::optional<std::string> rests_on =
        judging_.from_pilot ? checked_.pilot_ill_determined : std::nullopt;
    std::int64_t drawn = 0, unfitted = 0;
    for (const DesignResult& d : designs_) drawn = std::max(drawn, d.communities);
    for (std::int64_t c = 0; c < drawn; ++c) {
      unfitted += plausible_[static_cast<std::size_t>(c)] ? 0 : 1;
    }
    result.answer = answer_of(designs_, judging_, rounds, rests_on, drawn, unfitted);
    result.designs = std::move(designs_);
    return result;
  }

 private:
  // Adds a design to the plan, and what its first round simulates.
  Growth add_design(Design d) {
    designs_.emplace_back();
    designs_.back().summary.design = d;
    outcomes_.emplace_back();
    meets_in_.emplace_back();
    return {designs_.size() - 1, checked_.settings.surveys,
            judging_.from_pilot ? checked_.communities : 0};
  }

  // The communities consistent with the pilot, drawn up to `count`.
  void draw_communities(std::int64_t count) {
    while (static_cast<std::int64_t>(plausible_.size()) < count) {
      plausible_.push_back(plausible_community(*checked_.pilot_communities,
                                               checked_.settings.community, checked_.settings.seed,
                                               static_cast<std::int64_t>(plausible_.size())));
    }
  }

  // Simulates what each growth adds, then sums up and judges the designs it grew.
  void simulate(const std::vector<Growth>& growths) {
    const PlanSettings& s = checked_.settings;
    std::vector<SurveyJob> jobs;
    // For each job: its design and, for a pilot's community, the community's number (else -1).
    std::vector<std::pair<std::size_t, std::int64_t>> owners;
    std::int64_t planned = 0;
    for (const Growth& g : growths) {
      if (g.surveys > 0) {
        const auto have = static_cast<std::int64_t>(outcomes_[g.design].size());
        jobs.push_back({&s.community, s.seed, designs_[g.design].summary.design, have, g.surveys});
        owners.emplace_back(g.design, -1);
        planned += g.surveys;
      }
      const auto from = static_cast<std::int64_t>(meets_in_[g.design].size());
      draw_communities(from + g.communities);
      meets_in_[g.design].resize(static_cast<std::size_t>(from + g.communities), 0);
      for (std::int64_t c = from; c < from + g.communities; ++c) {
        if (!plausible_[static_cast<std::size_t>(c)]) continue;  // met by no design
        jobs.push_back({&*plausible_[static_cast<std::size_t>(c)], community_seed(s.seed, c),
                        designs_[g.design].summary.design, 0, checked_.community_surveys});
        owners.emplace_back(g.design, c);
        planned += checked_.community_surveys;
      }
    }
    progress_.add_to_total(planned);
    std::vector<std::vector<SurveyOutcome>> outcomes = run_survey_jobs(jobs, pool_, progress_);
    for (std::size_t j = 0; j < jobs.size(); ++j) {
      const auto [d, c] = owners[j];
      if (c < 0) {
        std::vector<SurveyOutcome>& all = outcomes_[d];
        all.insert(all.end(), outcomes[j].begin(), outcomes[j].end());
      } else {
        const DesignSummary summary =
            summarise_design(jobs[j].design, outcomes[j], reported_parameters(*jobs[j].community));
        meets_in_[d][static_cast<std::size_t>(c)] =
            meets_every_target(summary, checked_.targets) ? 1 : 0;
      }
    }
    for (const Growth& g : growths) sum_up(g.design);
  }

  void sum_up(std::size_t i) {
    DesignResult& r = designs_[i];
    if (!outcomes_[i].empty()) {
      r.summary = summarise_design(r.summary.design, outcomes_[i],
                                   reported_parameters(checked_.settings.community));
    }
    const std::vector<char>& meets = meets_in_[i];
    r.communities = static_cast<std::int64_t>(meets.size());
    r.communities_meeting = std::count(meets.begin(), meets.end(), 1);
    if (r.communities > 0) {
      r.assurance = static_cast<double>(r.communities_meeting) / static_cast<double>(r.communities);
      r.assurance_interval = wilson_interval(r.communities_meeting, r.communities);
      r.assurance_se = share_standard_error(r.communities_meeting, r.communities);
    }
    judge(r, judging_);
  }

  // The surveys of design i so far, all its communities together.
  std::int64_t spent(std::size_t i) const {
    return judging_.from_pilot ? designs_[i].communities * checked_.community_surveys
                               : designs_[i].summary.surveys;
  }

  // A round's doubling of design i within the most surveys; none when it is spent.
  std::optional<Growth> doubling(std::size_t i) const {
    const std::int64_t room = checked_.max_surveys - spent(i);
    if (judging_.from_pilot) {
      const std::int64_t more =
          std::min(designs_[i].communities, room / checked_.community_surveys);
      if (more <= 0) return std::nullopt;
      return Growth{i, 0, more};
    }
    const std::int64_t more = std::min(designs_[i].summary.surveys, room);
    if (more <= 0) return std::nullopt;
    return Growth{i, more, 0};
  }

  // The next design beyond the grid with --until-target, or none.
  std::optional<Design> next_beyond() const {
    if (checked_.extension_step <= 0) return std::nullopt;
    std::int32_t largest = 0;
    for (const DesignResult& d : designs_) largest = std::max(largest, d.summary.design.sites1);
    if (largest >= checked_.extension_limit) return std::nullopt;
    const std::int32_t next = std::min(largest + checked_.extension_step, checked_.extension_limit);
    return Design{next, next};
  }

  // Rounds until the answer is decided or can grow no more (kelvaro/planner.h).
  Rounds go_to_answer() {
    Rounds rounds;
    if (checked_.targets.empty()) return rounds;
    for (;;) {
      const Standing s = standing(designs_, judging_);
      if (!s.named) {
        if (const std::optional<Design> beyond = next_beyond()) {
          rounds.extended = true;
          rounds.searched_to = beyond->sites1;
          simulate({add_design(*beyond)});
          continue;
        }
      }
      std::vector<std::size_t> examined;
      if (s.named) examined.push_back(*s.named);
      if (s.next_smaller) examined.push_back(*s.next_smaller);
      if (s.closest) examined.push_back(*s.closest);
      std::vector<Growth> growths;
      bool open = false;
      for (const std::size_t i : examined) {
        if (designs_[i].decided) continue;
        open = true;
        if (const std::optional<Growth> g = doubling(i)) growths.push_back(*g);
      }
      rounds.decided = !open;
      if (growths.empty()) return rounds;
      simulate(growths);
    }
  }

  const CheckedPlan& checked_;
  PlanProgress progress_;
  PlanSettings pool_;  // the plan's settings, telling of threads short once
  bool told_short_ = false;
  Judging judging_;
  std::vector<DesignResult> designs_;
  std::vector<std::vector<SurveyOutcome>> outcomes_;  // per design, in the community assumed
  std::vector<std::vector<char>> meets_in_;           // per design, per pilot's community
  std::vector<std::optional<Community>> plausible_;   // the pilot's communities drawn so far
};

}  // namespace

PlanResult plan_survey(const CheckedPlan& checked, const ProgressCallback& progress) {
  return PlanRun(checked, progress).run();
}

}  // namespace kelvaro::plan
