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
                               SurveyLabels& labels, unsigned threads)
    : labels_(labels) {
  const std::optional<std::string_view> all = threads > 1 ? source.all_bytes() : std::nullopt;
  if (!all) {
    reader_ = std::make_unique<csv::LongTableReader>(source, options);
    return;
  }
  bytes_ = std::make_unique<tools::ViewSource>(*all, source.name());
  reader_ = std::make_unique<csv::LongTableReader>(*bytes_, options);
  parallel_ = std::make_unique<csv::ParallelLongTable>(*reader_, *all, threads);
}

DetectionTable::~DetectionTable() = default;

std::uint32_t DetectionTable::group_id(std::uint32_t reader_id) {
  // The reader numbers labels in order of first appearance: a new one is the next number.
  if (reader_id == group_ids_.size()) {
    group_ids_.push_back(labels_.groups.intern(reader_->groups().label(reader_id)).id);
    if (groups_.size() < labels_.groups.size()) groups_.resize(labels_.groups.size());
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
    groups_[group].samples.push_back(it->second);
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

void DetectionTable::note_group(std::uint32_t group, const GroupClosed& closed) {
  if (current_group_ == group) return;
  if (current_group_) {
    GroupState& left = groups_[*current_group_];
    if (!left.closed) {
      left.closed = true;
      // Once records are pending (scattered_), a group left may still have some: keep it.
      left.handed_out = closed && !any_reopened_ && !scattered_ && closed(*current_group_);
    }
  }
  current_group_ = group;
  scattered_ = scattered_ || groups_[group].closed;
  if (groups_[group].handed_out && !groups_[group].reopened) {
    groups_[group].reopened = true;
    any_reopened_ = true;  // the table does not come group by group: hand out no more
  }
}

void DetectionTable::take(const csv::LongRecord& record, const GroupClosed& closed) {
  const std::uint32_t g = group_id(record.group);
  note_group(g, closed);
  const std::uint32_t sample = sample_id(record.sample);  // labels in order of appearance
  if (scattered_ && !groups_[g].handed_out) {
    const std::int64_t line = record.line;
    pending_.push_back({g, sample, record.site, record.species, record.detected ? line : -line});
    if (pending_.size() == kPendingRecords) group_pending();
    return;
  }
  const std::uint32_t index = sample_index(g, sample);
  GroupSample& s = samples_[index];
  const std::string_view site_name = reader_->sites().label(record.site);
  if (groups_[g].handed_out) {
    const bool known = std::find(s.sites.begin(), s.sites.end(), record.site) != s.sites.end();
    set_aside_.push_back({index, record.site, record.species, record.detected, record.line,
                          known ? std::string() : std::string(site_name)});
    return;
  }
  add(s, record.site, record.species, record.detected, record.line, site_name);
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

bool DetectionTable::read(const GroupClosed& closed, const GoOn& go_on) {
  if (parallel_) {
    for (std::vector<csv::LongRecord> records; parallel_->next(records);) {
      for (const csv::LongRecord& record : records) {
        take(record, closed);
        if (++records_ % kGoOnInterval == 0 && go_on && !go_on(records_)) return false;
      }
    }
  } else {
    for (csv::LongRecord record; reader_->next(record);) {
      take(record, closed);
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

void DetectionTable::merge_set_aside() {
  for (const SetAside& r : set_aside_) {
    add(samples_[r.sample_index], r.site, r.species, r.detected, r.line, r.new_site);
  }
  set_aside_ = {};
}

const GroupSample* DetectionTable::find(std::uint32_t group, std::uint32_t sample) const {
  const auto it = index_.find(key_of(group, sample));
  return it == index_.end() ? nullptr : &samples_[it->second];
}

std::vector<const GroupSample*> DetectionTable::samples_of(std::uint32_t group) const {
  std::vector<const GroupSample*> out;
  if (group >= groups_.size()) return out;
  for (const std::uint32_t index : groups_[group].samples) out.push_back(&samples_[index]);
  return out;
}

bool DetectionTable::reopened(std::uint32_t group) const {
  return group < groups_.size() && groups_[group].reopened;
}

}  // namespace kelvaro::batch
