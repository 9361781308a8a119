#pragma once
// The records of a survey's long table grouped by sample: what a DetectionTable
// (kelvaro/surveys.h) holds and how it reads them.
//
// A table whose records return to a group they left (rows in the order a database gave them)
// is grouped in batches: its records are kept as ids, a million at a time, and put in sample
// order by a counting sort on the sample's index (stable: each sample's records stay in file
// order) before they are added to their samples, so that the samples are filled one after
// another instead of one record here, the next one elsewhere in memory, and each record's site
// is found through a mark by site id. A table read in parts comes grouped by sample within each
// part (on the reading threads): there the runs of a sample are sorted, not the records. The
// samples are the same as record by record.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "field_tables/column_records.h"
#include "field_tables/key_ids.h"
#include "field_tables/long_table.h"
#include "field_tables/parallel_long_table.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/labels.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {

class GroupedSamples {
 public:
  // A sample of at most this many sites finds a site by looking along its list; a larger one by
  // the marks (a sample of 1000 sites, records not sorted by site).
  static constexpr std::size_t kSearchedSites = 32;

  // Reads the header row. Throws csv::MissingColumn, csv::InputError, tools::ReadError as
  // csv::LongTableReader does. A source that can be read at any offset (a regular file) is
  // read in parts (field_tables/parallel_long_table.h), on `threads` threads when more than one,
  // with the same result; `factory` starts those threads. Requires: source and labels outlive the
  // table; sizes at least 1.
  GroupedSamples(tools::ByteSource& source, const csv::LongTableOptions& options,
                 SurveyLabels& labels, unsigned threads = 1,
                 const ThreadFactory& factory = start_thread, ReadingSizes sizes = {});
  // The records of a table in memory (csv::ColumnRecords), read on the calling thread.
  // Requires: columns and labels outlive the reading.
  GroupedSamples(const csv::ColumnTable& columns, const csv::LongTableOptions& options,
                 SurveyLabels& labels, ReadingSizes sizes = {});
  ~GroupedSamples();

  // Called every few thousand records with the number read so far; returns false to stop.
  using GoOn = std::function<bool(std::uint64_t records)>;

  // Reads every record. Returns false when `go_on` (if given) stopped it. Throws as
  // csv::LongTableReader::next.
  bool read(const GoOn& go_on);

  // The sample `sample` of group `group`, or nullptr when the table has no record of it.
  const GroupSample* find(std::uint32_t group, std::uint32_t sample) const;
  // The samples of a group, in order of first appearance (empty for a group without records).
  std::vector<const GroupSample*> samples_of(std::uint32_t group) const;

  std::uint64_t records() const { return records_; }
  // Names that differ only in case or blanks around them (kept apart or merged, as the options
  // said): "species" or "site" and the two spellings. Complete once read() returned true.
  const std::vector<std::pair<std::string, csv::NameVariant>>& variants() const {
    return variants_;
  }

 private:
  // A record waiting to be grouped (a table not in group order).
  struct Pending {
    std::uint32_t index;  // its sample, in samples_
    std::uint32_t site;   // the reader's ids
    std::uint32_t species;
    std::int64_t line;  // negative: not a detection (line -line)
  };

  std::uint32_t group_id(std::uint32_t reader_id);
  std::uint32_t sample_id(std::uint32_t reader_id);
  std::uint32_t sample_index(std::uint32_t group, std::uint32_t sample);
  // The index in samples_[index].sites of `site`, or the number of its sites when the site is
  // new to it. `indexed`: the records come in a batch sorted by sample (group_pending,
  // group_runs), where the marks always serve.
  std::size_t site_position(std::uint32_t index, std::uint32_t site, bool indexed);
  void add(std::uint32_t index, std::uint32_t site, std::uint32_t species, bool detected, long line,
           bool indexed = false);
  // The sample of a record: its group's and sample's ids, and its index in samples_ (noting a
  // return to a group that was left).
  std::uint32_t sample_of(const csv::LongRecord& record);
  void take(const csv::LongRecord& record);
  // Takes a part's records, grouped by sample (csv::ParallelLongTable::by_sample), keeping the
  // vector while its runs wait to be grouped. False when `go_on` stopped the reading.
  bool take_part(std::vector<csv::LongRecord>& records, const GoOn& go_on);
  // Adds the pending records and runs to their samples, sample by sample.
  void group_pending();
  void group_runs();
  // A table read in parts: the runs kept (half a batch of records) are sealed, sorted by sample,
  // and added a slice at a time as the next parts come (group_sealed), so that the reading
  // threads read on while the calling thread groups; sealing again first adds what is left, so
  // each sample's records are still added in file order.
  void seal_runs();
  void group_sealed(std::size_t records);
  // Adding a batch sorted by sample: begin_batch() at its start; marked(index) marks the sample's
  // sites in site_mark_ and site_index_ (at once when it is the sample marked last).
  void begin_batch();
  void marked(std::uint32_t index);

  std::size_t batch_records_;
  std::unique_ptr<csv::LongTableReader> reader_;  // a file's reader, until read() is done
  std::unique_ptr<csv::LongRecords> columns_;     // or a table's in memory
  csv::LongRecords* source_records_ = nullptr;    // the one of the two
  csv::LineUnit unit_ = csv::LineUnit::kFileLine;
  std::unique_ptr<csv::ParallelLongTable> parallel_;
  SurveyLabels& labels_;
  std::vector<std::uint32_t> group_ids_, sample_ids_;  // by the reader's ids
  std::deque<GroupSample> samples_;                    // a deque: samples never move
  tools::KeyIds index_;     // (group << 32 | sample) -> index in samples_
  std::uint32_t last_ = 0;  // the last record's sample, and its key
  std::uint64_t last_key_ = 0;
  std::vector<std::vector<std::uint32_t>> groups_;  // by group id: indices into samples_
  // While the pending records of one sample are added: by site id, the sample's index of the
  // site, valid where site_mark_ is mark_.
  std::vector<std::uint32_t> site_mark_;
  std::vector<std::uint16_t> site_index_;
  std::uint32_t mark_ = 0;
  std::optional<std::uint32_t> marked_;  // the sample whose sites are marked
  std::vector<bool> left_;               // by group id: the records moved on from it
  std::optional<std::uint32_t> current_group_;
  bool scattered_ = false;                  // the records came back to a group they had left
  std::vector<Pending> pending_, grouped_;  // grouped_: pending_ in group order
  // A table read in parts: runs of one sample's records in parts kept until they are grouped.
  struct Run {
    std::uint32_t index;  // the sample, in samples_
    std::uint32_t part;   // in kept_
    std::uint32_t begin, end;
  };
  std::vector<Run> runs_, sealed_runs_;
  std::vector<std::vector<csv::LongRecord>> kept_, spare_;  // spare_: to be used again
  std::vector<std::vector<csv::LongRecord>> sealed_;        // the parts of sealed_runs_
  std::size_t sealed_next_ = 0;                             // the next run of sealed_runs_ to add
  std::size_t kept_records_ = 0;
  std::uint64_t records_ = 0;
  std::vector<std::pair<std::string, csv::NameVariant>> variants_;
};

}  // namespace kelvaro::batch
