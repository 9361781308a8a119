#pragma once
// A whole batch: the long table read, the pairs planned, every pair analysed on several threads
// and the tables written, in the order pairing.h gives whatever the number of threads.
//
// Reading and analysis overlap where they can: with more than one thread and no shard, each
// group of a table that comes group by group is handed to the other threads as soon as the
// records move on from it, in the pairs the rule (or the pairs file) gives it then. Once the
// table is read, the pairs are planned afresh from all labels; an early outcome is kept only for
// a pair planned again whose group never came back (detection_table.h), so that the tables are
// byte for byte those of reading first and analysing after. A shard reads the whole table first:
// which groups it holds is known only then.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/pair_analysis.h"
#include "batch/pairing.h"
#include "common/byte_source.h"
#include "csv/long_table.h"
#include "csv/name_pool.h"

namespace kelvaro::batch {

struct BatchRequest {
  std::string output;  // the output directory (batch_output.h)
  csv::LongTableOptions table;
  std::optional<PairRule> rule;  // nullopt: the pairs file lists the pairs
  std::string pairs_file;
  AnalysisSettings analysis;
  int threads = 1;  // pairs analysed at once (the reading thread counts as one while it reads)
  std::optional<Shard> shard;
};

struct BatchSummary {
  bool complete = false;  // false: stopped before the end (nothing was written)
  std::uint64_t pairs = 0;
  std::uint64_t analysed = 0;      // pairs with results
  std::uint64_t not_analysed = 0;  // pairs with a problems row instead
  std::uint64_t warnings = 0;      // problems rows of analysed pairs
  std::uint64_t early = 0;         // pairs whose early outcome was kept
  std::vector<std::pair<std::string, csv::NameVariant>> variants;  // DetectionTable::variants
  // Sample labels that are the same number written differently ("2015", "2015.0").
  std::vector<std::pair<std::string, std::string>> same_number_samples;
};

// Told how far the batch is, on the calling thread: records read so far while the table is read
// (every few thousand), then pairs written of all.
struct BatchProgress {
  std::function<void(std::uint64_t records)> reading;
  std::function<void(std::uint64_t done, std::uint64_t total)> writing;
};

// Runs the batch on `records` (the long table). Throws csv::InputError (csv::MissingColumn)
// and tools::ReadError for refused input, tools::WriteError; in every case, and when `stop`
// becomes true, nothing is left in the output directory but what was there before.
BatchSummary run_batch(tools::ByteSource& records, const BatchRequest& request,
                       const BatchProgress& progress, const std::atomic<bool>& stop);

}  // namespace kelvaro::batch
