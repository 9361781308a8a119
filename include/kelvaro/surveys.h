#pragma once
// Surveys made into kelvaro's input and analysed pair by pair (library kelvaro_surveys). Two
// samples read from tables (kelvaro/field_tables.h) become the four blocks of a kelvaro input and
// its text, as kelvaro-prep writes it. A survey's long table of many groups and samples is held
// in compact form (DetectionTable); its pairs of samples are made by a rule and put in an order
// that depends on the labels alone, and each pair is analysed in process as kelvaro-prep and
// kelvaro would analyse it, giving its rows of kelvaro-batch's tables.
//
// Thread safety: every function is reentrant. A DetectionTable is read by one thread and may
// then be shared by any number of threads that only look at it; a PairAnalyst is used by one
// thread. The caller owns the tables, labels and outcomes; a GroupSample belongs to its table.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/labels.h"
#include "kelvaro/natural_order.h"
#include "kelvaro/ordered_pool.h"
#include "kelvaro/tables.h"

namespace kelvaro::prep {

// The four data blocks of a kelvaro input, derived from two samples' detections.
// f(i) = number of species detected at exactly i sites, n(i) = number of species detected at
// the i-th site, both for i = 1..t (t = the sample's number of sites). Subset A holds the species
// detected in both samples with Sample 2's data; Subset B the same species with Sample 1's data.
// One pass over the species: time linear in their number.
//
//   Sample with sites s1..s3; species a at {s1}, b at {s1, s3}, c at {}:
//   f = (1, 1, 0), n = (2, 0, 1)

struct Block {
  std::vector<std::int32_t> f;  // f(1..t)
  std::vector<std::int32_t> n;  // n(1..t)
};

struct KelvaroBlocks {
  Block sample1;
  Block sample2;
  Block subset_a;  // species detected in both samples, Sample 2's data (t2 classes)
  Block subset_b;  // the same species, Sample 1's data (t1 classes)
};

// All four blocks. Degenerate input: no common species gives subsets of zeros.
KelvaroBlocks derive_blocks(const Survey& survey);

// The same from two samples whose species ids count from 0 to species_count - 1 (ids beyond are
// not looked at): a program that analyses many pairs gives each pair compact ids, so that the
// pass costs the pair's species, not the whole survey's.
KelvaroBlocks derive_blocks(const Sample& sample1, const Sample& sample2,
                            std::uint32_t species_count);

// The text of a kelvaro input: the header `t1 t2 pair nreps ix`, then for Sample 1, Sample 2,
// Subset A and Subset B the line of f(1..t) and the line of n(1..t). Every record stands on its
// own line, because kelvaro's reads discard the rest of the line after a record's last value.
// The frequency pair is never used (pair = 0).
//
//   t1 = 2, t2 = 2, nreps 50, seed 400:  "2 2 0 50 400\n" "3 1\n" "4 1\n" ...
//   without range adjustment:            "-2 2 0 50 400\n" ...

struct RunSettings {
  std::int32_t nreps = 50;  // bootstrap iterations; negative asks for detail lines
  std::int32_t seed = 400;  // 0: kelvaro takes the seed from the clock
  bool range_adjust = true;
};

// Requires: Subset A has Sample 2's t, Subset B Sample 1's t (as derive_blocks makes them).
std::string kelvaro_input(const KelvaroBlocks& blocks, const RunSettings& settings);

// The audit file of kelvaro-prep: how the tables were read, then one row per species named in
// either sample with its number of detections (sites) in each sample and the blocks it counts
// in, so that a user can check which species went where. Species come in Sample 1's order, then
// Sample 2's new names. The notes are comment lines starting with '#' (read.csv(comment.char =
// "#") in R, pandas.read_csv(comment="#")); the table is RFC 4180 CSV with CR LF line ends.
//
//   # kelvaro-prep audit
//   # Sample 1: a.csv (comma-separated)
//   # Sample 2: b.csv (semicolon-separated, decimal comma)
//   species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b
//   Simve,3,0,1,0,0,0

// Writes the notes, the header and the rows, a piece at a time (tens of KiB), through `write`:
// a checked output's write (kelvaro/checked_output.h), a string's append. Throws what `write`
// throws (a checked output's WriteError).
using TextSink = std::function<void(std::string_view text)>;
void write_audit(const TextSink& write, const Survey& survey);

// What two samples show that makes their comparison doubtful, with species, sites and samples
// named: the kinds kelvaro gives from the frequencies (kelvaro.h), found here from the species
// lists, in this order:
//   kSingleSpecies, kSitesWithoutDetection  for Sample 1, then Sample 2 (block "Sample 1", ...)
//   kNoCommonSpecies                        no species detected in both (block "Subset A")
//   kIdenticalSamples                       every species detected at the same sites in both,
//                                           and as many sites (block "Sample 2")
// Lines are 0. A sample without a detection adds nothing (the readers refuse it).
std::vector<Warning> survey_warnings(const Survey& survey);

}  // namespace kelvaro::prep

namespace kelvaro::batch {

class GroupedSamples;  // the table's records grouped by sample (internal)

// A survey's long table held in compact form: read once, with kelvaro-prep's reader, checks and
// messages (kelvaro/field_tables.h), group and sample labels interned, and for each sample of each
// group its sites in order of first appearance and its detections as (species id, site index)
// pairs of 6 bytes. Memory is those bytes and each label once: a fraction of the file's size.
//
//   RouteID,Year,Stop,AOU,SpeciesTotal    group "7", sample "2019": sites "1", "2";
//   7,2019,1,4660,2                       one detection: species "4660" at site 0
//   7,2019,2,,0                           (stop 2 visited, nothing found)
//
// A table without a group column (its name left empty in the options) is one group, labelled "".
// A record that is not a detection (a count of 0) still makes its site a site of the sample. A
// detection listed twice is kept twice here and counts once in the blocks. A sample that reaches
// a site beyond prep::kMaxSites (1000) is marked with where that site was read and keeps no
// detections: the pairs it is in cannot be analysed.
//
// Group and sample labels: ids from 0 in order of first appearance (in a pairs file, then the
// table). Output rows are ordered by the labels, never by the ids.
struct SurveyLabels {
  tools::LabelPool groups;
  tools::LabelPool samples;
};

// The site that took a sample beyond prep::kMaxSites sites.
struct SiteBeyondLimit {
  long line = 0;  // a line of the file, or a row of a table in memory
  std::string site;
  csv::LineUnit unit = csv::LineUnit::kFileLine;
};

// One sample of one group.
struct GroupSample {
  std::uint32_t group = 0;  // SurveyLabels ids
  std::uint32_t sample = 0;
  std::vector<std::uint32_t> sites;         // site ids (the reader's), in order of first appearance
  std::vector<std::uint32_t> species;       // the detections: species id ...
  std::vector<std::uint16_t> site_indices;  // ... and index into `sites`, record by record
  // Set when the sample went beyond the limit (rare: held apart, so that every other sample
  // of a table of many small ones stays small).
  std::unique_ptr<SiteBeyondLimit> beyond_limit;
  bool has_detection() const { return !species.empty(); }
};

// How much a table is read and grouped at once (tests make both small; the samples are the same
// for any sizes).
struct ReadingSizes {
  std::size_t part_bytes = csv::kPartBytes;  // a part of a file read in parts
  // Records grouped at once in a table not in group order: a million, 24 to 32 MiB of them,
  // enough that every group has many records together in a table of thousands of groups.
  std::size_t batch_records = std::size_t{1} << 20;
};

class DetectionTable {
 public:
  // Reads the header row. Throws csv::MissingColumn, csv::InputError, tools::ReadError as
  // kelvaro-prep's reader does. A source that can be read at any offset (a regular file) is
  // read in parts, on `threads` threads when more than one, with the same result; `factory`
  // starts those threads. Requires: source and labels outlive the table; sizes at least 1.
  DetectionTable(tools::ByteSource& source, const csv::LongTableOptions& options,
                 SurveyLabels& labels, unsigned threads = 1,
                 const ThreadFactory& factory = start_thread, ReadingSizes sizes = {});
  // A table held in memory as columns (csv::ColumnTable: a data frame's), whose records read()
  // takes on the calling thread, one by one, as a file's, with the same samples, checks and
  // messages but at rows: record i is row i + 1 (a sample beyond the site limit keeps its row in
  // SiteBeyondLimit::line). Of `options` it takes na_absent and fold_case. Throws
  // std::invalid_argument for columns of different lengths or codes beyond their labels.
  // Requires: columns and labels outlive read().
  DetectionTable(const csv::ColumnTable& columns, const csv::LongTableOptions& options,
                 SurveyLabels& labels, ReadingSizes sizes = {});
  ~DetectionTable();
  DetectionTable(const DetectionTable&) = delete;
  DetectionTable& operator=(const DetectionTable&) = delete;

  // Called every few thousand records with the number read so far; returns false to stop.
  using GoOn = std::function<bool(std::uint64_t records)>;

  // Reads every record. Returns false when `go_on` (if given) stopped it. Throws as the
  // constructor, for the first refused row (its line, or row, and column: csv::InputError).
  bool read(const GoOn& go_on);

  // The sample `sample` of group `group`, or nullptr when the table has no record of it. Valid
  // as long as the table.
  const GroupSample* find(std::uint32_t group, std::uint32_t sample) const;
  // The samples of a group, in order of first appearance (empty for a group without records).
  std::vector<const GroupSample*> samples_of(std::uint32_t group) const;

  std::uint64_t records() const;
  // Names that differ only in case or blanks around them (kept apart or merged, as the options
  // said): "species" or "site" and the two spellings. Complete once read() returned true.
  const std::vector<std::pair<std::string, csv::NameVariant>>& variants() const;

 private:
  std::unique_ptr<GroupedSamples> samples_;
};

// Which pairs of samples kelvaro-batch analyses, and in what order. Within a group the samples
// are taken in sample order and a rule makes the pairs, Sample 1 first. The sample order is
// natural order (kelvaro/natural_order.h: by value when every sample label of the table is a
// number, as "9" before "10", else "week 8" before "week 12"), or the order in which the labels
// first appear, over all groups (in a pairs file, then the table: tools::SampleOrder::kFile).
// Groups are in label order: by value when every group label is a number, else by bytes.
//
//   samples 2015, 2016, 2017, 2018 of a group:
//   consecutive  each with the next one:         2015-2016  2016-2017  2017-2018
//   all          every pair, earlier first:      2015-2016  2015-2017  2015-2018  2016-2017 ...
//   first        the first with every later:     2015-2016  2015-2017  2015-2018
//
// or a pairs file lists them. Whatever made them, the pairs are then sorted by group, Sample 1
// and Sample 2, groups in label order and samples in sample order; a shard K/N keeps those of the
// K-th of N contiguous, near-equal slices of the sorted group list, so that the shards' outputs put
// one after another are the output of the whole.

enum class PairRule { kConsecutive, kAll, kFirst };

struct SamplePair {
  std::uint32_t group = 0;  // SurveyLabels ids
  std::uint32_t sample1 = 0;
  std::uint32_t sample2 = 0;
  friend bool operator==(const SamplePair&, const SamplePair&) = default;
};

// The rank of every group label (in label order) and sample label (in sample order), by id.
struct LabelRanks {
  std::vector<std::uint32_t> groups;
  std::vector<std::uint32_t> samples;
};
LabelRanks ranks_of(const SurveyLabels& labels,
                    tools::SampleOrder order = tools::SampleOrder::kNatural);

// The pairs of every group of the table by `rule` (a group of one sample has none), unsorted.
std::vector<SamplePair> pairs_by_rule(const DetectionTable& table, const SurveyLabels& labels,
                                      PairRule rule, const LabelRanks& ranks);

// Sorts by group, Sample 1 and Sample 2 ranks; a pair listed twice is kept once.
void sort_pairs(std::vector<SamplePair>& pairs, const LabelRanks& ranks);

struct Shard {
  std::uint32_t index = 0;  // K: 0 .. count - 1
  std::uint32_t count = 1;  // N
};

// "K/N" with 0 <= K < N (decimal digits only); nullopt for anything else.
std::optional<Shard> parse_shard(std::string_view text);

// One pair's analysis: what kelvaro-prep and kelvaro would make of the pair's two samples, with
// kelvaro's structured input built directly (run_survey), and the pair's rows of every output
// table. The samples are taken as kelvaro-prep takes a long table: sites in order of first
// appearance, a detection listed twice counted once. A pair that cannot be analysed gives one
// problems row and nothing else; each warning of a run gives a problems row.
//
//   problems kinds, pair not analysed:  missing_sample  the table holds no record of a sample
//                                       no_detection    a sample has no detection
//                                       too_many_sites  a sample has more than 1000 sites
//                                       refused         kelvaro refused the input
//   warnings of an analysed pair:       outside_interval, few_replicates, ill_conditioned,
//                                       fit_test_failed, no_common_species, ...
//                                       (kelvaro.h kWarningKinds, warning_kind_name)
//
// Thread safety: a PairAnalyst is used by one thread; any number of them may read one table.

struct AnalysisSettings {
  std::int32_t replicates = 50;  // bootstrap replicates, 0..10000
  std::int32_t seed = 400;       // the same for every pair; never 0 (not repeatable)
  bool range_adjustment = true;
  bool reports = false;  // keep each pair's report text
  // Make each pair's curves of richness by effort (kelvaro/curves.h, with the run's replicates
  // and seed): PairOutcome::curves, their warnings among the problems.
  bool curves = false;
  // Keep the pair's whole result, its replicates included (PairOutcome::result), and tell
  // `observer` of the run's progress: a front end that shows one pair (the web page).
  bool keep_result = false;
  Observer* observer = nullptr;
};

// A pair's part of every output: rows in CR LF, ready to append.
struct PairOutcome {
  std::string parameters, blocks, tests, estimators, problems;
  std::string curves;  // with AnalysisSettings::curves
  std::string report;  // with AnalysisSettings::reports; empty when the pair was not analysed
  bool analysed = false;
  std::uint32_t warnings = 0;  // problems rows from the run's warnings
  RunResult result;            // with AnalysisSettings::keep_result, once the run was made
};

inline constexpr std::string_view kProblemsHeader = "group,sample1,sample2,kind,message\r\n";

// What a worker needs to analyse a pair, made on the thread that owns the table: the labels as
// text, and the two samples, which the table leaves unchanged while the pair is analysed.
struct PairInput {
  std::string key;  // the rows' first fields (pair_key, below)
  std::string group, sample1, sample2;
  const GroupSample* first = nullptr;  // nullptr: the table holds no record of the sample
  const GroupSample* second = nullptr;
};

class PairAnalyst {
 public:
  // Requires: settings outlive the analyst.
  explicit PairAnalyst(const AnalysisSettings& settings) : settings_(settings) {}

  PairOutcome analyse(const PairInput& pair);

  // kelvaro's input for two samples, as analyse() builds it.
  // Requires: both samples can be analysed (they have detections and at most 1000 sites).
  Survey survey(const GroupSample& first, const GroupSample& second);

 private:
  prep::Sample prep_sample(const GroupSample& sample);

  const AnalysisSettings& settings_;
  // The pair's own species ids (from 0, in order of first use) by table species id; kUnused for
  // species not in the pair. Reset after each pair, touching only the ids used.
  std::vector<std::uint32_t> pair_ids_;
  std::vector<std::uint32_t> used_;
};

// The rows kelvaro-batch writes for one analysed pair: kelvaro's result tables of the run
// (kelvaro/tables.h: parameters, blocks, test, estimators), each row after the pair's key
// (group, sample1, sample2 as CSV fields) and ending in CR LF; within a pair, rows come in the
// report's order. The header of each file is the key's columns and the table's.
//
//   group,sample1,sample2,block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n
//   g,2019,2020,Sample 1,45,52.000000,5.1234560,3.210,4,0.5231\r\n

// "g,s1,s2", each label a CSV field ("a,b" quoted).
std::string pair_key(std::string_view group, std::string_view sample1, std::string_view sample2);

// "group,sample1,sample2," and the table's columns, then CR LF.
std::string table_header(TableKind kind);

}  // namespace kelvaro::batch
