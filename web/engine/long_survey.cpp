#include "long_survey.h"

#include <algorithm>
#include <unordered_map>

#include "csv/csv_reader.h"
#include "csv/header_columns.h"
#include "prep/site_set.h"

namespace kelvaro::web {
namespace {

// The header row of `bytes` (the first that is not blank), read as the long table's reader
// reads it, and its reader.
struct HeaderRow {
  HeaderRow(std::string_view bytes, const std::string& name, std::optional<char> separator)
      : source(bytes, name), reader(source, separator) {
    while (reader.next(row) && row.blank()) {
    }
  }
  tools::ViewSource source;
  csv::CsvReader reader;
  csv::CsvRow row;
};

// Every column the options name that the header of `bytes` lacks, with the header's names.
MissingColumns missing_columns(const csv::MissingColumn& first, std::string_view bytes,
                               const std::string& name, const csv::LongTableOptions& options) {
  const HeaderRow header_row(bytes, name, options.separator);
  const csv::CsvRow& header = header_row.row;
  const csv::CsvReader& reader = header_row.reader;
  const csv::LongTableColumns& c = options.columns;
  const std::pair<const char*, const std::string*> named[] = {{"group", &c.group},
                                                              {"sample", &c.sample},
                                                              {"site", &c.site},
                                                              {"species", &c.species},
                                                              {"count", &c.count}};
  std::vector<std::string> roles;
  for (const auto& [role, column] : named) {
    if (!column->empty() && !csv::find_column(header, *column, reader)) roles.emplace_back(role);
  }
  return MissingColumns(first.what(), std::move(roles), header.fields());
}

}  // namespace

// Records of a table without a group column, kept as kelvaro-batch's detection table keeps one
// group's samples: sites in order of first appearance, detections as (species, site index), a
// sample that reaches a 99th site marked with it and stripped of its detections.
class LongSurvey::OneGroup {
 public:
  OneGroup(tools::ByteSource& source, const csv::LongTableOptions& options,
           batch::SurveyLabels& labels) {
    csv::LongTableReader reader(source, options);
    labels.groups.intern("");
    for (csv::LongRecord record; reader.next(record);) {
      ++records_;
      const std::uint32_t id = labels.samples.intern(reader.samples().label(record.sample)).id;
      if (id == samples_.size()) {
        samples_.push_back({0, id, {}, {}, {}, {}});
        site_index_.emplace_back();
      }
      add(samples_[id], site_index_[id], record, reader);
    }
  }
  std::uint64_t records() const { return records_; }
  const batch::GroupSample* find(std::uint32_t sample) const {
    return sample < samples_.size() ? &samples_[sample] : nullptr;
  }

 private:
  static void add(batch::GroupSample& s, std::unordered_map<std::uint32_t, std::uint8_t>& index,
                  const csv::LongRecord& record, const csv::LongTableReader& reader) {
    if (s.beyond_limit) return;
    const auto [at, added] = index.try_emplace(record.site, s.sites.size());
    if (added) {
      if (s.sites.size() == static_cast<std::size_t>(prep::kMaxSites)) {
        s.beyond_limit =
            batch::SiteBeyondLimit{record.line, std::string(reader.sites().label(record.site))};
        s.species = {};
        s.site_indices = {};
        return;
      }
      s.sites.push_back(record.site);
    }
    if (!record.detected || record.species == csv::kNoSpecies) return;
    s.species.push_back(record.species);
    s.site_indices.push_back(at->second);
  }

  std::uint64_t records_ = 0;
  std::vector<batch::GroupSample> samples_;                                  // by sample label id
  std::vector<std::unordered_map<std::uint32_t, std::uint8_t>> site_index_;  // site id -> index
};

LongSurvey::LongSurvey(std::string text, const std::string& name,
                       const csv::LongTableOptions& options)
    : source_(std::move(text), name) {
  const std::string_view bytes = *source_.all_bytes();
  try {
    if (options.columns.group.empty()) {
      one_group_ = std::make_unique<OneGroup>(source_, options, labels_);
    } else {
      table_.emplace(source_, options, labels_);
      table_->read({});
    }
  } catch (const csv::MissingColumn& e) {
    throw missing_columns(e, bytes, name, options);
  }
  header_ = HeaderRow(bytes, name, options.separator).row.fields();
  ranks_ = batch::ranks_of(labels_);
}

LongSurvey::~LongSurvey() = default;

std::uint64_t LongSurvey::records() const {
  return one_group_ ? one_group_->records() : table_->records();
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
  if (one_group_) {
    for (std::uint32_t s = 0; s < labels_.samples.size(); ++s) ids.push_back(s);
  } else {
    for (const batch::GroupSample* s : table_->samples_of(group)) ids.push_back(s->sample);
  }
  std::sort(ids.begin(), ids.end(),
            [&](auto a, auto b) { return ranks_.samples[a] < ranks_.samples[b]; });
  return ids;
}

const batch::GroupSample* LongSurvey::find(std::uint32_t group, std::uint32_t sample) const {
  return one_group_ ? one_group_->find(sample) : table_->find(group, sample);
}

std::vector<batch::SamplePair> LongSurvey::consecutive_pairs() const {
  std::vector<batch::SamplePair> pairs;
  if (one_group_) {
    pairs = batch::pairs_of_group(0, ordered_samples(0), batch::PairRule::kConsecutive);
  } else {
    pairs = batch::pairs_by_rule(*table_, labels_, batch::PairRule::kConsecutive, ranks_);
  }
  batch::sort_pairs(pairs, ranks_);
  return pairs;
}

}  // namespace kelvaro::web
