#pragma once
// One run from its records to its result: the header, the banner and the seed, the four blocks in
// their fixed order (Sample 1, Sample 2, Subset A, Subset B), the test between the samples, and
// the community-dynamics summary. Everything the run changes (the block buffer, the generator, the
// estimator's tables, the replicate store, the warnings) belongs to the engine and dies with it.
// The report is written as the run goes on when a stream is given.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "bootstrap/replicates.h"
#include "dynamics/replicate_table.h"
#include "equal_detection/equal_detection_test.h"
#include "jackknife/estimator.h"
#include "kelvaro/kelvaro.h"
#include "numeric/one_based.h"
#include "random/uniform_generator.h"
#include "report/report_writer.h"
#include "run/block_buffer.h"
#include "run/header.h"
#include "run/record_source.h"
#include "run/warning_log.h"

namespace kelvaro {

class RunEngine {
 public:
  RunEngine(const Settings& settings, std::ostream* report);

  // Runs the records to their end and returns the result (status 2 with the diagnostic when they
  // cannot be read or the source refuses the accepted header; status 1 when the report stream
  // fails).
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
  // Reads block `block` (t classes); false when Sample 2 ends the run quietly.
  bool read_block(RecordSource& source, int block, std::int32_t t, bool may_end);
  // Whole-number frequencies of the block just read: fint and R.
  std::int32_t take_frequencies(std::int32_t t);
  void estimate_block(int block, std::int32_t t0);
  void summarise();
  // A bootstrap started only `used` of the threads it asked for.
  void short_of_threads(int used);
  void warn_about_estimate(int block, const JackknifeResult& jk);

  const Settings& settings_;
  ReportWriter report_;
  WarningLog log_;
  RunResult result_;
  Header header_;
  int block_in_hand_ = 0;  // the block being read (0: the header)
  std::int32_t chunk_ = 0;
  double threaded_draws_ = kThreadedDraws;
  int threads_;  // threads a bootstrap may use: Settings::threads, less when some failed to start
  bool told_short_of_threads_ = false;

  BlockBuffer buffer_;
  UniformGenerator generator_;
  JackknifeEstimator estimator_;
  std::unique_ptr<ReplicateTable> replicates_;
  Array1<std::int32_t, 4> observed_{};     // R per block, summed from f(i) as the driver does
  Array1<std::int32_t, 100> whole_f_{};    // f(i) of the block in hand as integers
  std::optional<std::int64_t> species_seen_[4];  // per block, for the subsets' checks
  std::int64_t block_lines_[4] = {};
};

}  // namespace kelvaro
