#pragma once
// A whole batch: the long table read, the pairs counted, every pair analysed on several threads
// and its rows written as it is handed over, in the order pairing.h gives whatever the number of
// threads. Memory follows the table: the pairs are made as the threads take them, and only a
// bounded window of outcomes waits to be written (pair_runner.h).

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "batch/pair_analysis.h"
#include "batch/pairing.h"
#include "field_tables/long_table.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/labels.h"
#include "kelvaro/ordered_pool.h"

namespace kelvaro::batch {

struct BatchRequest {
  std::string output;  // the output directory (batch_output.h)
  csv::LongTableOptions table;
  std::optional<PairRule> rule;  // nullopt: the pairs file lists the pairs
  std::string pairs_file;
  AnalysisSettings analysis;
  int threads = 1;  // pairs analysed at once
  std::optional<Shard> shard;
  std::uint64_t max_pairs = 1000000;  // more pairs than this are refused (TooManyPairs)
  ThreadFactory thread_factory = start_thread;
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

// Told how far the batch is, on the calling thread: records read so far while the table is read
// (every few thousand), then pairs written of all; and, when fewer threads than asked for could
// be started, how many analyse (ordered_pool.h).
struct BatchProgress {
  std::function<void(std::uint64_t records)> reading;
  std::function<void(std::uint64_t done, std::uint64_t total)> writing;
  std::function<void(int asked, int used)> threads_short;
};

// Runs the batch on `records` (the long table). Throws csv::InputError (csv::MissingColumn)
// and tools::ReadError for refused input, TooManyPairs, FolderRefused (batch_output.h),
// tools::WriteError, OutOfMemory; in every case, and when `stop`
// becomes true, nothing is left in the output directory but what was there before.
BatchSummary run_batch(tools::ByteSource& records, const BatchRequest& request,
                       const BatchProgress& progress, const std::atomic<bool>& stop);

}  // namespace kelvaro::batch
