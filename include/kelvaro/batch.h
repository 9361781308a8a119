#pragma once
// A whole batch (library kelvaro_batch): every pair of samples of every group of a survey's long
// table analysed as kelvaro-prep and kelvaro would (kelvaro/surveys.h), on several threads, into
// one output directory. The long table is read, the pairs counted, and every pair analysed and
// its rows written as it is handed over, in the order kelvaro/surveys.h gives, whatever the
// number of threads. Memory follows the table: the pairs are made as the threads take them, and
// only a bounded window of outcomes waits to be written.
//
// The output directory: parameters.csv, blocks.csv, tests.csv, estimators.csv, problems.csv,
// source.json when the request gives the records' source, and, when asked,
// reports/<group>/<sample1>-<sample2>.txt. Nothing appears under its final name
// before the whole batch is written (hidden temporary files and folders beside their targets,
// renamed into place at the end); a batch that fails or is stopped leaves the directory as it
// was. The folder describes one run: an earlier batch's tables are replaced and its reports/
// replaced or, without reports, removed. reports/ and each of its group folders hold a mark, a
// file named .kelvaro-batch that lists the files the batch wrote there; a file that no mark lists
// was not written by kelvaro-batch, and the batch refuses to replace the folder that holds it.
// Labels become file names byte by byte: ASCII letters, digits, '.' and '_' stay, any other byte
// (and a leading '.') is written %XX, so that every label is a distinct, valid name:
//   "Route 7/a" -> "Route%207%2Fa"     "2019-1" -> "2019%2D1"     ".." -> "%2E."
//
// Thread safety: run_batch is reentrant (two batches must not share an output directory); it
// starts and joins its own threads, and calls `progress` on the calling thread only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/labels.h"
#include "kelvaro/ordered_pool.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {

struct BatchRequest {
  std::string output;  // the output directory (above)
  csv::LongTableOptions table;
  std::optional<PairRule> rule;  // nullopt: the pairs file lists the pairs
  std::string pairs_file;
  // The order of a group's samples (kelvaro/surveys.h): which follow one another, and the rows'.
  tools::SampleOrder sample_order = tools::SampleOrder::kNatural;
  AnalysisSettings analysis;
  int threads = 1;  // pairs analysed at once
  std::optional<Shard> shard;
  std::uint64_t max_pairs = 1000000;  // more pairs than this are refused (TooManyPairs)
  ThreadFactory thread_factory = start_thread;
  // When `records` holds only some groups of a survey (a part computed elsewhere, whose tables are
  // put together with the other parts'): every group and sample label of the whole survey. The
  // label order (kelvaro/surveys.h) is then decided over these labels and the table's, as the
  // whole survey's batch decides it, so that the part's pairs and rows are the whole batch's rows
  // of its groups, in the same order. Empty: the table's own labels (and the pairs file's).
  //   survey samples {"9", "10", "x"} (ordered by bytes: "10", "9", "x"); a part whose own
  //   samples are "9" and "10" pairs 10-9, as the whole survey does, not 9-10.
  std::vector<std::string> survey_groups, survey_samples;
  // Where the records come from, written as DIR/source.json beside the tables (a Darwin Core
  // archive's citation: kelvaro/darwin_core.h source_json). Empty: no source.json, and one that an
  // earlier batch wrote is removed.
  std::string source;
};

// More pairs than BatchRequest::max_pairs: refused before any analysis.
class TooManyPairs : public std::runtime_error {
 public:
  TooManyPairs(std::uint64_t pairs, std::uint64_t max_pairs);
};

// Memory ran out: "out of memory after 1200 pairs" (the pairs written before).
class OutOfMemory : public std::runtime_error {
 public:
  explicit OutOfMemory(std::uint64_t pairs)
      : std::runtime_error("out of memory after " + std::to_string(pairs) + " pairs") {}
};

struct BatchSummary {
  bool complete = false;  // false: stopped before the end (nothing was written)
  std::uint64_t pairs = 0;
  std::uint64_t analysed = 0;      // pairs with results
  std::uint64_t not_analysed = 0;  // pairs with a problems row instead
  std::uint64_t warnings = 0;      // problems rows of analysed pairs
  std::vector<std::pair<std::string, csv::NameVariant>> variants;  // DetectionTable::variants
  // Sample labels that are the same number written differently ("2015", "2015.0").
  std::vector<std::pair<std::string, std::string>> same_number_samples;
};

// A file in the output directory's reports/ that kelvaro-batch did not write: the batch would
// delete it, and is refused instead (status 2).
class FolderRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Told how far the batch is, on the calling thread: records read so far while the table is read
// (every few thousand), then pairs written of all; and, when fewer threads than asked for could
// be started, how many analyse (kelvaro/ordered_pool.h).
struct BatchProgress {
  std::function<void(std::uint64_t records)> reading;
  std::function<void(std::uint64_t done, std::uint64_t total)> writing;
  std::function<void(int asked, int used)> threads_short;
};

// Runs the batch on `records` (the long table). Throws csv::InputError (csv::MissingColumn)
// and tools::ReadError for refused input, TooManyPairs, FolderRefused,
// tools::WriteError, OutOfMemory; in every case, and when `stop`
// becomes true, nothing is left in the output directory but what was there before.
BatchSummary run_batch(tools::ByteSource& records, const BatchRequest& request,
                       const BatchProgress& progress, const std::atomic<bool>& stop);

// A batch whose tables stay in memory, for a program that hands them on instead of writing files
// (the Python package): the pairs, rows and order of run_batch, each table the bytes run_batch
// writes to its file (the header row first, CR LF line ends); no reports.
struct BatchTables {
  std::string parameters, blocks, tests, estimators, problems;
  BatchSummary summary;
};

// Runs the batch on `records` as run_batch does, keeping its tables (request.output and
// request.analysis.reports are not used). When request.rule is nullopt the pairs file is
// `pairs` when given (request.pairs_file then only names it), else the file request.pairs_file.
// Throws as run_batch, but for what concerns the output directory. When `stop` becomes true it
// returns at once with summary.complete false and every table empty.
BatchTables run_batch_tables(tools::ByteSource& records, const BatchRequest& request,
                             const BatchProgress& progress, const std::atomic<bool>& stop,
                             tools::ByteSource* pairs = nullptr);

// The paths of the five tables a batch writes into `directory`, in the order parameters, blocks,
// tests, estimators, problems (a program refuses an input that is one of them).
std::vector<std::string> batch_table_paths(const std::string& directory);

// The path of curves.csv, which a batch writes into `directory` with AnalysisSettings::curves.
std::string curves_table_path(const std::string& directory);

}  // namespace kelvaro::batch
