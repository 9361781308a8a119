#include "surveys/detection_table.h"

#include <algorithm>
#include <cstdint>

#include "kelvaro/field_tables.h"

namespace kelvaro::batch {
namespace {

std::uint64_t key_of(std::uint32_t group, std::uint32_t sample) {
  return (std::uint64_t{group} << 32) | sample;
}

// Records between two calls of the go-on hook: about a millisecond of reading.
constexpr std::uint64_t kGoOnInterval = 8192;

// `items` (records, or runs of records, each with its sample's `index`) put in `sorted` in
// sample order by a counting sort (by a range of samples where there are more samples than
// `batch` records): stable, so that each sample's items stay in file order. The copy writes one
// stream per sample; reading them through an index instead would miss the cache on every one.
template <class Item>
void sort_by_sample(const std::vector<Item>& items, std::size_t samples, std::size_t batch,
                    std::vector<Item>& sorted) {
  int shift = 0;
  while ((samples >> shift) > batch) ++shift;
  std::vector<std::size_t> starts((samples >> shift) + 2, 0);
  for (const Item& r : items) ++starts[(r.index >> shift) + 1];
  for (std::size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
  sorted.resize(items.size());
  for (const Item& r : items) sorted[starts[r.index >> shift]++] = r;
}

}  // namespace

GroupedSamples::GroupedSamples(tools::ByteSource& source, const csv::LongTableOptions& options,
                               SurveyLabels& labels, unsigned threads, const ThreadFactory& factory,
                               ReadingSizes sizes)
    : batch_records_(std::max<std::size_t>(1, sizes.batch_records)), labels_(labels) {
  const std::optional<std::uint64_t> size = source.size();  // asked before anything is read
  reader_ = std::make_unique<csv::LongTableReader>(source, options);
  source_records_ = reader_.get();
  if (size) {
    parallel_ = std::make_unique<csv::ParallelLongTable>(*reader_, source, *size, threads,
                                                         sizes.part_bytes, factory);
  }
}

GroupedSamples::GroupedSamples(const csv::ColumnTable& columns,
                               const csv::LongTableOptions& options, SurveyLabels& labels,
                               ReadingSizes sizes)
    : batch_records_(std::max<std::size_t>(1, sizes.batch_records)),
      columns_(std::make_unique<csv::ColumnRecords>(columns, options)),
      source_records_(columns_.get()),
      unit_(csv::LineUnit::kRow),
      labels_(labels) {}

GroupedSamples::~GroupedSamples() = default;

std::uint32_t GroupedSamples::group_id(std::uint32_t reader_id) {
  // The reader numbers labels in order of first appearance: a new one is the next number.
  if (reader_id == group_ids_.size()) {
    group_ids_.push_back(labels_.groups.intern(source_records_->groups().label(reader_id)).id);
    if (groups_.size() < labels_.groups.size()) {
      groups_.resize(labels_.groups.size());
      left_.resize(labels_.groups.size());
    }
  }
  return group_ids_[reader_id];
}

std::uint32_t GroupedSamples::sample_id(std::uint32_t reader_id) {
  if (reader_id == sample_ids_.size()) {
    sample_ids_.push_back(labels_.samples.intern(source_records_->samples().label(reader_id)).id);
  }
  return sample_ids_[reader_id];
}

std::uint32_t GroupedSamples::sample_index(std::uint32_t group, std::uint32_t sample) {
  const std::uint64_t key = key_of(group, sample);
  if (!samples_.empty() && last_key_ == key) return last_;
  const tools::KeyIds::Found found = index_.id(key);  // ids in order: indices into samples_
  if (found.added) {
    samples_.push_back({group, sample, {}, {}, {}, {}});
    groups_[group].push_back(found.id);
  }
  last_ = found.id;
  last_key_ = key;
  return last_;
}

std::size_t GroupedSamples::site_position(std::uint32_t index, std::uint32_t site, bool indexed) {
  const GroupSample& s = samples_[index];
  // Tables sorted by site repeat the last one: look there first.
  if (!indexed && !s.sites.empty() && s.sites.back() == site) return s.sites.size() - 1;
  if (!indexed && s.sites.size() <= kSearchedSites) {
    return static_cast<std::size_t>(std::find(s.sites.begin(), s.sites.end(), site) -
                                    s.sites.begin());
  }
  // Many sites (up to prep::kMaxSites): by the marks, which a sample's sites take when it
  // becomes the marked one.
  if (site >= site_mark_.size()) {
    site_mark_.resize(std::max<std::size_t>(site + 1, site_mark_.size() * 2), 0);
    site_index_.resize(site_mark_.size(), 0);
  }
  marked(index);
  return site_mark_[site] == mark_ ? site_index_[site] : s.sites.size();
}

void GroupedSamples::add(std::uint32_t index, std::uint32_t site, std::uint32_t species,
                         bool detected, long line, bool indexed) {
  GroupSample& s = samples_[index];
  if (s.beyond_limit) return;
  const std::size_t position = site_position(index, site, indexed);
  if (position == s.sites.size()) {
    if (s.sites.size() == static_cast<std::size_t>(prep::kMaxSites)) {
      s.beyond_limit = std::make_unique<SiteBeyondLimit>(
          SiteBeyondLimit{line, std::string(source_records_->sites().label(site)), unit_});
      s.species = {};
      s.site_indices = {};
      return;
    }
    s.sites.push_back(site);
    if (marked_ == index) {
      site_mark_[site] = mark_;
      site_index_[site] = static_cast<std::uint16_t>(position);
    }
  }
  if (!detected || species == csv::kNoSpecies) return;
  s.species.push_back(species);
  s.site_indices.push_back(static_cast<std::uint16_t>(position));
}

std::uint32_t GroupedSamples::sample_of(const csv::LongRecord& record) {
  const std::uint32_t g = group_id(record.group);
  if (current_group_ != g) {
    if (current_group_) left_[*current_group_] = true;
    current_group_ = g;
    scattered_ = scattered_ || left_[g];
  }
  const std::uint32_t sample = sample_id(record.sample);  // labels in order of appearance
  return sample_index(g, sample);
}

void GroupedSamples::take(const csv::LongRecord& record) {
  const std::uint32_t index = sample_of(record);
  if (scattered_) {
    const std::int64_t line = record.line;
    pending_.push_back({index, record.site, record.species, record.detected ? line : -line});
    if (pending_.size() >= batch_records_) group_pending();
    return;
  }
  add(index, record.site, record.species, record.detected, record.line);
}

bool GroupedSamples::take_part(std::vector<csv::LongRecord>& records, const GoOn& go_on) {
  const std::size_t n = records.size();
  bool keep = false;  // runs of the part wait in runs_
  bool go_on_stopped = false;
  for (std::size_t begin = 0; begin < n;) {
    const csv::LongRecord& first = records[begin];
    std::size_t end = begin + 1;
    while (end < n && records[end].sample == first.sample && records[end].group == first.group) {
      ++end;
    }
    const std::uint32_t index = sample_of(first);
    if (scattered_) {
      runs_.push_back({index, static_cast<std::uint32_t>(kept_.size()),
                       static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)});
      keep = true;
    } else {
      for (std::size_t k = begin; k < end; ++k) {
        const csv::LongRecord& r = records[k];
        add(index, r.site, r.species, r.detected, r.line);
      }
    }
    const std::uint64_t before = records_;
    records_ += end - begin;
    begin = end;
    if (go_on && before / kGoOnInterval != records_ / kGoOnInterval && !go_on(records_)) {
      go_on_stopped = true;
      break;
    }
  }
  if (keep) {
    kept_records_ += n;
    kept_.push_back(std::move(records));
    records.clear();
    if (!spare_.empty()) {
      records.swap(spare_.back());
      spare_.pop_back();
    }
    if (!go_on_stopped) {
      // A quarter more than the part brought, so that the sealed runs are added before the
      // kept ones make half a batch again.
      group_sealed(n + n / 4);
      if (kept_records_ >= std::max<std::size_t>(1, batch_records_ / 2)) seal_runs();
    }
  }
  return !go_on_stopped;
}

void GroupedSamples::seal_runs() {
  group_sealed(SIZE_MAX);
  if (runs_.empty()) return;
  sort_by_sample(runs_, samples_.size(), batch_records_, sealed_runs_);
  sealed_next_ = 0;
  runs_.clear();
  sealed_.swap(kept_);
  kept_records_ = 0;
  begin_batch();
}

void GroupedSamples::group_sealed(std::size_t records) {
  std::size_t added = 0;
  while (sealed_next_ < sealed_runs_.size() && added < records) {
    const Run& run = sealed_runs_[sealed_next_++];
    const std::vector<csv::LongRecord>& part = sealed_[run.part];
    for (std::uint32_t k = run.begin; k < run.end; ++k) {
      add(run.index, part[k].site, part[k].species, part[k].detected, part[k].line, true);
    }
    added += run.end - run.begin;
  }
  if (sealed_next_ < sealed_runs_.size() || sealed_.empty()) return;
  sealed_runs_.clear();
  sealed_next_ = 0;
  for (std::vector<csv::LongRecord>& part : sealed_) {
    part.clear();
    spare_.push_back(std::move(part));
  }
  sealed_.clear();
}

void GroupedSamples::group_runs() {
  seal_runs();
  group_sealed(SIZE_MAX);
}

void GroupedSamples::begin_batch() {
  site_mark_.resize(std::max(site_mark_.size(), source_records_->sites().size()), 0);
  site_index_.resize(site_mark_.size(), 0);
  marked_ = std::nullopt;
}

void GroupedSamples::marked(std::uint32_t index) {
  const GroupSample& s = samples_[index];
  if (marked_ == index) return;
  marked_ = index;
  // Under a new mark (all marks cleared when the count wraps).
  if (++mark_ == 0) {
    std::fill(site_mark_.begin(), site_mark_.end(), 0);
    mark_ = 1;
  }
  // The sample's sites found by search (its first ones) may have ids beyond the marks so far.
  const std::uint32_t largest =
      s.sites.empty() ? 0 : *std::max_element(s.sites.begin(), s.sites.end());
  if (largest >= site_mark_.size()) {
    site_mark_.resize(std::max<std::size_t>(largest + 1, site_mark_.size() * 2), 0);
    site_index_.resize(site_mark_.size(), 0);
  }
  for (std::size_t i = 0; i < s.sites.size(); ++i) {
    site_mark_[s.sites[i]] = mark_;
    site_index_[s.sites[i]] = static_cast<std::uint16_t>(i);
  }
}

void GroupedSamples::group_pending() {
  if (pending_.empty()) return;
  sort_by_sample(pending_, samples_.size(), batch_records_, grouped_);
  begin_batch();
  for (const Pending& r : grouped_) {
    add(r.index, r.site, r.species, r.line > 0, r.line > 0 ? r.line : -r.line, true);
  }
  pending_.clear();
}

bool GroupedSamples::read(const GoOn& go_on) {
  if (parallel_) {
    parallel_->by_sample();
    const bool whole = parallel_->read(
        [&](std::vector<csv::LongRecord>& records) { return take_part(records, go_on); });
    if (!whole) return false;
    group_runs();
    kept_ = {};
    spare_ = {};
    runs_ = {};
    sealed_ = {};
    sealed_runs_ = {};
  } else {
    for (csv::LongRecord record; source_records_->next(record);) {
      take(record);
      if (++records_ % kGoOnInterval == 0 && go_on && !go_on(records_)) return false;
    }
  }
  group_pending();
  pending_ = {};
  grouped_ = {};
  for (const csv::NameVariant& v : source_records_->species().variants()) {
    variants_.emplace_back("species", v);
  }
  for (const csv::NameVariant& v : source_records_->sites().variants())
    variants_.emplace_back("site", v);
  parallel_.reset();
  source_records_ = nullptr;
  reader_.reset();  // its name pools are no longer needed
  columns_.reset();
  return true;
}

const GroupSample* GroupedSamples::find(std::uint32_t group, std::uint32_t sample) const {
  const std::optional<std::uint32_t> index = index_.find(key_of(group, sample));
  return index ? &samples_[*index] : nullptr;
}

std::vector<const GroupSample*> GroupedSamples::samples_of(std::uint32_t group) const {
  std::vector<const GroupSample*> out;
  if (group >= groups_.size()) return out;
  for (const std::uint32_t index : groups_[group]) out.push_back(&samples_[index]);
  return out;
}

DetectionTable::DetectionTable(tools::ByteSource& source, const csv::LongTableOptions& options,
                               SurveyLabels& labels, unsigned threads, const ThreadFactory& factory,
                               ReadingSizes sizes)
    : samples_(std::make_unique<GroupedSamples>(source, options, labels, threads, factory, sizes)) {
}

DetectionTable::DetectionTable(const csv::ColumnTable& columns,
                               const csv::LongTableOptions& options, SurveyLabels& labels,
                               ReadingSizes sizes)
    : samples_(std::make_unique<GroupedSamples>(columns, options, labels, sizes)) {}

DetectionTable::~DetectionTable() = default;

bool DetectionTable::read(const GoOn& go_on) { return samples_->read(go_on); }

const GroupSample* DetectionTable::find(std::uint32_t group, std::uint32_t sample) const {
  return samples_->find(group, sample);
}

std::vector<const GroupSample*> DetectionTable::samples_of(std::uint32_t group) const {
  return samples_->samples_of(group);
}

std::uint64_t DetectionTable::records() const { return samples_->records(); }

const std::vector<std::pair<std::string, csv::NameVariant>>& DetectionTable::variants() const {
  return samples_->variants();
}

}  // namespace kelvaro::batch
