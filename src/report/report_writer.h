#pragma once
// The report: every line of it, rendered from a run's result. The sections are listed once, in
// write_new: a run calls it as its result grows (so a long run shows its blocks as they
// complete) and write_report calls it once for a finished result, so both give the same bytes.
// Lines end in CR LF.

#include <cstddef>
#include <iosfwd>

#include "kelvaro/kelvaro.h"
#include "textio/report.h"

namespace kelvaro {

class ReportWriter {
 public:
  // out: the report stream (nullptr: nothing is written). Writers throw textio::OutputFailure
  // once the stream has failed.
  explicit ReportWriter(std::ostream* out) : out_(out) {}

  // The sections the result holds that this writer has not written yet, in the report's order:
  // the banner (once the header is accepted); each block's title and section, with after
  // Sample 2 the test between the samples or why it cannot be made; the title of a block whose
  // records could not be read (Sample 2's title comes only with its records); the summary (once
  // all kParameterCount parameters are there). Blocks numbered outside 1..4 are left out.
  void write_new(const RunResult& r);

  // The sections one by one.
  // The banner, the bootstrap line and the seed line.
  void banner(const RunResult& r);
  // The blank record and the title of a block (before its records are read).
  void block_title(BlockNumber block);
  // The observed count, frequencies, estimate, bootstrap detail and M(h) test of a block.
  void block_section(const RunResult& r, const BlockResult& b);
  // After Sample 2: the test between the samples, or why it cannot be made.
  void equal_detection(const EqualDetectionTest& test);
  void unequal_sites_notice();
  // The detail block (with Options::replicate_detail), the parameter table, the definitions and
  // the note.
  void dynamics(const RunResult& r);

 private:
  void goodness_of_fit(const GoodnessOfFitTest& test);

  textio::RecordWriter out_;
  bool banner_written_ = false;
  std::size_t blocks_written_ = 0;
  bool failed_title_written_ = false;
  bool summary_written_ = false;
};

}  // namespace kelvaro
