#include "long_survey.h"

#include <algorithm>

namespace kelvaro::web {

LongSurvey::LongSurvey(std::string text, const std::string& name,
                       const csv::LongTableOptions& options)
    : source_(std::move(text), name) {
  table_.emplace(source_, options, labels_);
  table_->read({});
  ranks_ = batch::ranks_of(labels_);
}

std::vector<std::uint32_t> LongSurvey::ordered_groups() const {
  std::vector<std::uint32_t> groups(labels_.groups.size());
  for (std::uint32_t g = 0; g < groups.size(); ++g) groups[g] = g;
  std::sort(groups.begin(), groups.end(),
            [&](auto a, auto b) { return ranks_.groups[a] < ranks_.groups[b]; });
  return groups;
}

std::vector<std::uint32_t> LongSurvey::ordered_samples(std::uint32_t group) const {
  std::vector<std::uint32_t> ids;
  for (const batch::GroupSample* s : table_->samples_of(group)) ids.push_back(s->sample);
  std::sort(ids.begin(), ids.end(),
            [&](auto a, auto b) { return ranks_.samples[a] < ranks_.samples[b]; });
  return ids;
}

std::vector<batch::SamplePair> LongSurvey::consecutive_pairs() const {
  std::vector<batch::SamplePair> pairs =
      batch::pairs_by_rule(*table_, labels_, batch::PairRule::kConsecutive, ranks_);
  batch::sort_pairs(pairs, ranks_);
  return pairs;
}

}  // namespace kelvaro::web
