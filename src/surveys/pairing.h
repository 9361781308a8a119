#pragma once
// Pairs of samples made one at a time as kelvaro-batch takes them (kelvaro/surveys.h says
// which pairs and in what order), pairs files, and shards.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {

struct SamplePairHash {
  std::size_t operator()(const SamplePair& p) const {
    return std::hash<std::uint64_t>()((std::uint64_t{p.group} << 32) ^
                                      (std::uint64_t{p.sample1} << 16) ^ p.sample2);
  }
};

// The pairs of one group by `rule`, from its samples (sample label ids) in label order.
std::vector<SamplePair> pairs_of_group(std::uint32_t group,
                                       const std::vector<std::uint32_t>& ordered_samples,
                                       PairRule rule);

// The pairs of a group of the table by `rule`, its samples ordered by `before` (a strict order of
// sample label ids).
std::vector<SamplePair> pairs_of_group(
    const DetectionTable& table, std::uint32_t group, PairRule rule,
    const std::function<bool(std::uint32_t, std::uint32_t)>& before);

// The pairs a pairs file lists: a CSV table with the columns group, sample1 and sample2 (any
// order and case, other columns ignored), one pair per row, Sample 1 first. Its labels are added
// to `labels`. Throws csv::InputError for a missing column, a row of the wrong length, an empty
// label, a sample paired with itself; tools::ReadError.
std::vector<SamplePair> read_pairs_file(tools::ByteSource& source, std::optional<char> separator,
                                        SurveyLabels& labels);

// The group ranks [first, last) of the shard's slice of `groups` groups: floor(K G / N) to
// floor((K + 1) G / N), so slices are contiguous, cover every group once and differ in size by
// at most one. 10 groups in 4 shards: [0, 2) [2, 5) [5, 7) [7, 10).
std::pair<std::uint32_t, std::uint32_t> shard_slice(std::uint32_t groups, const Shard& shard);

// The pairs whose group lies in the shard's slice, in their order.
std::vector<SamplePair> pairs_of_shard(const std::vector<SamplePair>& pairs,
                                       const LabelRanks& ranks, const Shard& shard);

// The pairs of a batch in their final order (sorted as sort_pairs sorts, a shard's only), made
// one at a time: by a rule, only the current group's samples are held (a group of 5,000 samples
// has 12.5 million pairs by `all`); from a pairs file, the file's pairs sorted.
class PairSequence {
 public:
  // By rule, over every group of the table (or the shard's), samples in `order`.
  PairSequence(const DetectionTable& table, const SurveyLabels& labels, PairRule rule,
               const std::optional<Shard>& shard,
               tools::SampleOrder order = tools::SampleOrder::kNatural);
  // The listed pairs (a pairs file's), sorted with samples in `order`.
  PairSequence(std::vector<SamplePair> listed, const SurveyLabels& labels,
               const std::optional<Shard>& shard,
               tools::SampleOrder order = tools::SampleOrder::kNatural);

  // How many pairs next() gives in all.
  std::uint64_t count() const { return count_; }
  // The next pair; false after the last.
  bool next(SamplePair& pair);

 private:
  // By rule: the pairs of a group of k samples.
  std::uint64_t pairs_of(std::uint64_t k) const;
  // By rule: moves to the next group with pairs; false after the last group.
  bool next_group();

  const DetectionTable* table_ = nullptr;
  LabelRanks ranks_;
  PairRule rule_ = PairRule::kConsecutive;
  std::vector<std::uint32_t> groups_;   // by rule: the group ids in rank order
  std::size_t group_ = 0;               // by rule: groups_[group_ - 1] is the current group
  std::vector<std::uint32_t> samples_;  // its sample ids in rank order
  std::size_t i_ = 0, j_ = 0;           // the next pair is samples_[i_], samples_[j_]
  std::vector<SamplePair> listed_;      // from a file: the pairs in order
  std::size_t next_listed_ = 0;
  std::uint64_t count_ = 0;
};

}  // namespace kelvaro::batch
