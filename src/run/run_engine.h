#pragma once
// One run from its records to its result: the header, the banner and the seed, the four blocks in
// their fixed order (Sample 1, Sample 2, Subset A, Subset B), the test between the samples, and
// the community-dynamics summary. Everything the run changes (the generator, the estimator's
// tables, the values carried from block to block, the warnings) belongs to the engine and dies
// with it. The report is written as the run goes on when a stream is given.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>

#include "bootstrap/replicates.h"
#include "jackknife/estimator.h"
#include "kelvaro/kelvaro.h"
#include "random/uniform_generator.h"
#include "report/report_writer.h"
#include "run/block_records.h"
#include "run/header.h"
#include "run/input_checks.h"
#include "run/record_source.h"
#include "run/warning_log.h"

namespace kelvaro {

class RunEngine {
 public:
  RunEngine(const Settings& settings, std::ostream* report);

  // Runs the records to their end and returns the result (kInputRefused with the diagnostic when
  // they cannot be read or are refused; kReportFailed when the report stream fails).
  RunResult run(RecordSource& source);

  // The warnings raised so far (the record source may add to them).
  WarningLog& warnings() { return log_; }

  // How bootstraps share their replicates among threads: replicates per chunk (0: a size of the
  // bootstrap's choosing) and the least work worth threads (for tests, which thread small runs).
  void tune_threads(std::int32_t chunk, double threaded_draws) {
    chunk_ = chunk;
    threaded_draws_ = threaded_draws;
  }

 private:
  void drive(RecordSource& source);
  void begin(const Header& h);
  // Reads block `block` (t sites) over the values carried over; nothing when Sample 2 ends the
  // run quietly.
  std::optional<BlockRecords> read_block(RecordSource& source, BlockNumber block, std::int32_t t,
                                         bool may_end);
  // Estimates, bootstraps and tests a block; returns what it leaves for the next block's records.
  CarryOver estimate_block(BlockNumber block, std::int32_t t0, const BlockRecords& records);
  void summarise();
  // A bootstrap started only `used` of the threads it asked for.
  void short_of_threads(int used);
  void warn_about_estimate(BlockNumber block, const JackknifeResult& jk);

  const Settings& settings_;
  ReportWriter report_;
  WarningLog log_;
  RunResult result_;
  Header header_;
  BlockNumber block_in_hand_ = kHeaderRecord;  // the block being read
  std::int32_t chunk_ = 0;
  double threaded_draws_ = kThreadedDraws;
  int threads_;  // threads a bootstrap may use: Settings::threads, less when some failed to start
  bool told_short_of_threads_ = false;

  CarryOver carried_;  // what the last block left for the next block's records
  UniformGenerator generator_;
  JackknifeEstimator estimator_;
  std::int32_t observed_[4] = {};                // the run's R per block (observed_in_double)
  std::optional<std::int64_t> species_seen_[4];  // per block, for the subsets' checks
  std::int64_t block_lines_[4] = {};
  std::array<BlockValues, 4> block_values_;  // each block's records, to compare the samples
};

}  // namespace kelvaro
