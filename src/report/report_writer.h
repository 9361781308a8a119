#pragma once
// The report: every line of it, rendered from a run's result. A run calls the section writers as
// it goes on (so a long run shows its blocks as they complete); write_report calls the same
// writers for a finished result, so both give the same bytes. Lines end in CR LF.

#include <iosfwd>

#include "kelvaro/kelvaro.h"
#include "textio/report.h"

namespace kelvaro {

class ReportWriter {
 public:
  // out: the report stream (nullptr: nothing is written). Writers throw textio::OutputFailure
  // once the stream has failed.
  explicit ReportWriter(std::ostream* out) : out_(out) {}

  // The banner, the bootstrap line and the seed line.
  void banner(const RunResult& r);
  // The blank record and the title of a block (before its records are read).
  void block_title(int block);
  // The observed count, frequencies, estimate, bootstrap detail and M(h) test of a block.
  void block_section(const RunResult& r, const BlockResult& b);
  // After Sample 2: the test between the samples, or why it cannot be made.
  void equal_detection(const EqualDetectionTest& test);
  void unequal_sites_notice();
  // The detail block (negative nreps), the parameter table, the definitions and the note.
  void dynamics(const RunResult& r);

 private:
  void goodness_of_fit(const GoodnessOfFitTest& test);

  textio::RecordWriter out_;
};

}  // namespace kelvaro
