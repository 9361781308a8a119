#include "surveys/pairing.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "field_tables/csv_reader.h"
#include "field_tables/header_columns.h"
#include "kelvaro/field_tables.h"
#include "surveys/label_order.h"

namespace kelvaro::batch {
namespace {

constexpr const char* kPairColumns[] = {"group", "sample1", "sample2"};

std::optional<std::uint32_t> whole_number(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

LabelRanks ranks_of(const SurveyLabels& labels, tools::SampleOrder order) {
  return {label_ranks(labels.groups), label_ranks(labels.samples, order)};
}

std::vector<SamplePair> pairs_of_group(std::uint32_t group, const std::vector<std::uint32_t>& s,
                                       PairRule rule) {
  std::vector<SamplePair> pairs;
  for (std::size_t i = 0; i < s.size(); ++i) {
    // consecutive: j = i + 1 only; first: i = 0 only; all: every j > i.
    if (rule == PairRule::kFirst && i > 0) break;
    for (std::size_t j = i + 1; j < s.size(); ++j) {
      pairs.push_back({group, s[i], s[j]});
      if (rule == PairRule::kConsecutive) break;
    }
  }
  return pairs;
}

std::vector<SamplePair> pairs_of_group(
    const DetectionTable& table, std::uint32_t group, PairRule rule,
    const std::function<bool(std::uint32_t, std::uint32_t)>& before) {
  std::vector<std::uint32_t> samples;
  for (const GroupSample* s : table.samples_of(group)) samples.push_back(s->sample);
  std::sort(samples.begin(), samples.end(), before);
  return pairs_of_group(group, samples, rule);
}

std::vector<SamplePair> pairs_by_rule(const DetectionTable& table, const SurveyLabels& labels,
                                      PairRule rule, const LabelRanks& ranks) {
  const auto before = [&](std::uint32_t a, std::uint32_t b) {
    return ranks.samples[a] < ranks.samples[b];
  };
  std::vector<SamplePair> pairs;
  for (std::uint32_t g = 0; g < labels.groups.size(); ++g) {
    for (const SamplePair& p : pairs_of_group(table, g, rule, before)) pairs.push_back(p);
  }
  return pairs;
}

std::vector<SamplePair> read_pairs_file(tools::ByteSource& source, std::optional<char> separator,
                                        SurveyLabels& labels) {
  csv::CsvReader reader(source, separator);
  csv::CsvRow header, row;
  bool found = false;
  while ((found = reader.next(header)) && header.blank()) {
  }
  if (!found)
    throw reader.error(1, 1,
                       "the pairs file is empty: it needs a header row "
                       "group,sample1,sample2 and one row per pair");
  std::size_t column[3];
  for (int c = 0; c < 3; ++c) {
    const auto j = csv::find_column(header, kPairColumns[c], reader);
    if (!j) {
      throw reader.error(header.line(), 1,
                         "the pairs file has no column " + tools::quoted_excerpt(kPairColumns[c]) +
                             " (it has " + csv::header_excerpt(header) +
                             "; a pairs file has the columns group, sample1 and sample2)");
    }
    column[c] = *j;
  }
  std::vector<SamplePair> pairs;
  while (reader.next(row)) {
    if (row.blank()) continue;
    if (row.size() != header.size()) {
      throw reader.error(row.line(), static_cast<long>(std::min(row.size(), header.size())) + 1,
                         "the row has " + std::to_string(row.size()) + " fields, the header has " +
                             std::to_string(header.size()));
    }
    for (int c = 0; c < 3; ++c) {
      if (row[column[c]].empty()) {
        throw reader.error(row.line(), static_cast<long>(column[c]) + 1,
                           std::string("empty ") + kPairColumns[c] +
                               ": every row names a group "
                               "and its two samples");
      }
    }
    if (row[column[1]] == row[column[2]]) {
      throw reader.error(row.line(), static_cast<long>(column[2]) + 1,
                         "sample " + tools::quoted_excerpt(row[column[1]]) +
                             " is paired with itself: a pair compares two different samples");
    }
    pairs.push_back({labels.groups.intern(row[column[0]]).id,
                     labels.samples.intern(row[column[1]]).id,
                     labels.samples.intern(row[column[2]]).id});
  }
  return pairs;
}

void sort_pairs(std::vector<SamplePair>& pairs, const LabelRanks& ranks) {
  const auto key = [&](const SamplePair& p) {
    return std::make_tuple(ranks.groups[p.group], ranks.samples[p.sample1],
                           ranks.samples[p.sample2]);
  };
  std::sort(pairs.begin(), pairs.end(),
            [&](const SamplePair& a, const SamplePair& b) { return key(a) < key(b); });
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
}

std::optional<Shard> parse_shard(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto k = whole_number(text.substr(0, slash));
  const auto n = whole_number(text.substr(slash + 1));
  if (!k || !n || *k >= *n) return std::nullopt;
  return Shard{*k, *n};
}

std::pair<std::uint32_t, std::uint32_t> shard_slice(std::uint32_t groups, const Shard& shard) {
  const auto bound = [&](std::uint64_t k) {
    return static_cast<std::uint32_t>(k * groups / shard.count);
  };
  return {bound(shard.index), bound(std::uint64_t{shard.index} + 1)};
}

std::vector<SamplePair> pairs_of_shard(const std::vector<SamplePair>& pairs,
                                       const LabelRanks& ranks, const Shard& shard) {
  const auto [first, last] = shard_slice(static_cast<std::uint32_t>(ranks.groups.size()), shard);
  std::vector<SamplePair> kept;
  for (const SamplePair& p : pairs) {
    const std::uint32_t rank = ranks.groups[p.group];
    if (rank >= first && rank < last) kept.push_back(p);
  }
  return kept;
}

PairSequence::PairSequence(const DetectionTable& table, const SurveyLabels& labels, PairRule rule,
                           const std::optional<Shard>& shard, tools::SampleOrder order)
    : table_(&table), ranks_(ranks_of(labels, order)), rule_(rule) {
  const auto groups = static_cast<std::uint32_t>(ranks_.groups.size());
  groups_.resize(groups);
  for (std::uint32_t g = 0; g < groups; ++g) groups_[ranks_.groups[g]] = g;
  if (shard) {
    const auto [first, last] = shard_slice(groups, *shard);
    groups_.erase(groups_.begin() + last, groups_.end());
    groups_.erase(groups_.begin(), groups_.begin() + first);
  }
  for (const std::uint32_t g : groups_) count_ += pairs_of(table.samples_of(g).size());
}

PairSequence::PairSequence(std::vector<SamplePair> listed, const SurveyLabels& labels,
                           const std::optional<Shard>& shard, tools::SampleOrder order)
    : ranks_(ranks_of(labels, order)), listed_(std::move(listed)) {
  sort_pairs(listed_, ranks_);
  if (shard) listed_ = pairs_of_shard(listed_, ranks_, *shard);
  count_ = listed_.size();
}

std::uint64_t PairSequence::pairs_of(std::uint64_t k) const {
  if (k < 2) return 0;
  return rule_ == PairRule::kAll ? k * (k - 1) / 2 : k - 1;
}

bool PairSequence::next_group() {
  while (group_ < groups_.size()) {
    const std::uint32_t g = groups_[group_++];
    samples_.clear();
    for (const GroupSample* s : table_->samples_of(g)) samples_.push_back(s->sample);
    if (samples_.size() < 2) continue;
    std::sort(samples_.begin(), samples_.end(), [&](std::uint32_t a, std::uint32_t b) {
      return ranks_.samples[a] < ranks_.samples[b];
    });
    i_ = 0;
    j_ = 1;
    return true;
  }
  return false;
}

bool PairSequence::next(SamplePair& pair) {
  if (table_ == nullptr) {
    if (next_listed_ == listed_.size()) return false;
    pair = listed_[next_listed_++];
    return true;
  }
  // The order of pairs_of_group: i = 0, 1, ...; for each, j from i + 1 (consecutive: that one
  // alone; first: i = 0 alone).
  if (j_ >= samples_.size() || (rule_ == PairRule::kFirst && i_ > 0)) {
    if (!next_group()) return false;
  }
  pair = {groups_[group_ - 1], samples_[i_], samples_[j_]};
  if (rule_ != PairRule::kConsecutive && j_ + 1 < samples_.size()) {
    ++j_;
  } else {
    ++i_;
    j_ = i_ + 1;
  }
  return true;
}

}  // namespace kelvaro::batch
