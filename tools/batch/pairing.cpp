#include "batch/pairing.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "batch/label_order.h"
#include "common/message_text.h"
#include "csv/csv_reader.h"
#include "csv/header_columns.h"

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

LabelRanks ranks_of(const SurveyLabels& labels) {
  return {label_ranks(labels.groups), label_ranks(labels.samples)};
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

}  // namespace kelvaro::batch
