#include "batch/detection_table.h"

#include <algorithm>

#include "prep/site_set.h"

namespace kelvaro::batch {
namespace {

std::uint64_t key_of(std::uint32_t group, std::uint32_t sample) {
  return (std::uint64_t{group} << 32) | sample;
}

// Records between two calls of the go-on hook: about a millisecond of reading.
constexpr std::uint64_t kGoOnInterval = 8192;

// Records grouped at once in a table not in group order: 24 MiB of them (twice, sorted), enough
// that every group has many records together in a table of thousands of groups.
constexpr std::size_t kPendingRecords = std::size_t{1} << 20;

}  // namespace

DetectionTable::DetectionTable(tools::ByteSource& source, const csv::LongTableOptions& options,
                               SurveyLabels& labels, unsigned threads,
                               const ThreadFactory& factory)
    : labels_(labels) {
  const std::optional<std::string_view> all = threads > 1 ? source.all_bytes() : std::nullopt;
  if (!all) {
    reader_ = std::make_unique<csv::LongTableReader>(source, options);
    return;
  }
  bytes_ = std::make_unique<tools::ViewSource>(*all, source.name());
  reader_ = std::make_unique<csv::LongTableReader>(*bytes_, options);
  parallel_ =
      std::make_unique<csv::ParallelLongTable>(*reader_, *all, threads, csv::kPartBytes, factory);
}

DetectionTable::~DetectionTable() = default;

std::uint32_t DetectionTable::group_id(std::uint32_t reader_id) {
  // The reader numbers labels in order of first appearance: a new one is the next number.
  if (reader_id == group_ids_.size()) {
    group_ids_.push_back(labels_.groups.intern(reader_->groups().label(reader_id)).id);
    if (groups_.size() < labels_.groups.size()) {
      groups_.resize(labels_.groups.size());
      left_.resize(labels_.groups.size());
    }
  }
  return group_ids_[reader_id];
}

std::uint32_t DetectionTable::sample_id(std::uint32_t reader_id) {
  if (reader_id == sample_ids_.size()) {
    sample_ids_.push_back(labels_.samples.intern(reader_->samples().label(reader_id)).id);
  }
  return sample_ids_[reader_id];
}

std::uint32_t DetectionTable::sample_index(std::uint32_t group, std::uint32_t sample) {
  if (!samples_.empty() && samples_[last_].group == group && samples_[last_].sample == sample) {
    return last_;
  }
  const auto [it, added] =
      index_.try_emplace(key_of(group, sample), static_cast<std::uint32_t>(samples_.size()));
  if (added) {
    samples_.push_back({group, sample, {}, {}, {}, {}});
    groups_[group].push_back(it->second);
  }
  last_ = it->second;
  return last_;
}

void DetectionTable::add(GroupSample& s, std::uint32_t site, std::uint32_t species, bool detected,
                         long line, std::string_view site_name) {
  if (s.beyond_limit) return;
  // Tables sorted by site repeat the last one: look there first.
  std::size_t index = s.sites.size();
  if (!s.sites.empty() && s.sites.back() == site) {
    index = s.sites.size() - 1;
  } else {
    index =
        static_cast<std::size_t>(std::find(s.sites.begin(), s.sites.end(), site) - s.sites.begin());
  }
  if (index == s.sites.size()) {
    if (s.sites.size() == static_cast<std::size_t>(prep::kMaxSites)) {
      s.beyond_limit = SiteBeyondLimit{line, std::string(site_name)};
      s.species = {};
      s.site_indices = {};
      return;
    }
    s.sites.push_back(site);
  }
  if (!detected || species == csv::kNoSpecies) return;
  s.species.push_back(species);
  s.site_indices.push_back(static_cast<std::uint8_t>(index));
}

void DetectionTable::take(const csv::LongRecord& record) {
  const std::uint32_t g = group_id(record.group);
  if (current_group_ != g) {
    if (current_group_) left_[*current_group_] = true;
    current_group_ = g;
    scattered_ = scattered_ || left_[g];
  }
  const std::uint32_t sample = sample_id(record.sample);  // labels in order of appearance
  if (scattered_) {
    const std::int64_t line = record.line;
    pending_.push_back({g, sample, record.site, record.species, record.detected ? line : -line});
    if (pending_.size() == kPendingRecords) group_pending();
    return;
  }
  add(samples_[sample_index(g, sample)], record.site, record.species, record.detected,
      record.line, reader_->sites().label(record.site));
}

void DetectionTable::group_pending() {
  // A counting sort by group: starts[g] is where group g's records go. The copy writes one
  // stream per group; reading them through an index instead would miss the cache on every one.
  std::vector<std::size_t> starts(groups_.size() + 1, 0);
  for (const Pending& r : pending_) ++starts[r.group + 1];
  for (std::size_t g = 1; g < starts.size(); ++g) starts[g] += starts[g - 1];
  grouped_.resize(pending_.size());
  for (const Pending& r : pending_) grouped_[starts[r.group]++] = r;
  for (const Pending& r : grouped_) {
    GroupSample& s = samples_[sample_index(r.group, r.sample)];
    add(s, r.site, r.species, r.line > 0, r.line > 0 ? r.line : -r.line,
        reader_->sites().label(r.site));
  }
  pending_.clear();
}

bool DetectionTable::read(const GoOn& go_on) {
  if (parallel_) {
    for (std::vector<csv::LongRecord> records; parallel_->next(records);) {
      for (const csv::LongRecord& record : records) {
        take(record);
        if (++records_ % kGoOnInterval == 0 && go_on && !go_on(records_)) return false;
      }
    }
  } else {
    for (csv::LongRecord record; reader_->next(record);) {
      take(record);
      if (++records_ % kGoOnInterval == 0 && go_on && !go_on(records_)) return false;
    }
  }
  group_pending();
  pending_ = {};
  grouped_ = {};
  for (const csv::NameVariant& v : reader_->species().variants()) {
    variants_.emplace_back("species", v);
  }
  for (const csv::NameVariant& v : reader_->sites().variants()) variants_.emplace_back("site", v);
  parallel_.reset();
  reader_.reset();  // its name pools are no longer needed
  bytes_.reset();
  return true;
}

const GroupSample* DetectionTable::find(std::uint32_t group, std::uint32_t sample) const {
  const auto it = index_.find(key_of(group, sample));
  return it == index_.end() ? nullptr : &samples_[it->second];
}

std::vector<const GroupSample*> DetectionTable::samples_of(std::uint32_t group) const {
  std::vector<const GroupSample*> out;
  if (group >= groups_.size()) return out;
  for (const std::uint32_t index : groups_[group]) out.push_back(&samples_[index]);
  return out;
}

}  // namespace kelvaro::batch
