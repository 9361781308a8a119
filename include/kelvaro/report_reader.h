#pragma once
// A kelvaro report read back (library kelvaro_report_reader): its results as kelvaro's result
// tables (kelvaro/tables.h), every value the report's own text for it, and those tables written
// as RFC 4180 CSV or as one JSON document, as kelvaro-tidy writes them. The web page writes the
// tables of a run it made (kelvaro/tables.h fills them from a RunResult) with the same writers.
//
// Reading and writing are reentrant: a Report is a plain value its caller owns, and any number of
// reports may be read or written at once on different threads.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/tables.h"

namespace kelvaro::tidy {

// The tables that kelvaro-tidy makes of a report: kelvaro's result tables (kelvaro/tables.h),
// filled from the report's text. Every value is the report's own text for it, blanks trimmed
// (no conversion, no re-rounding: "52.000000", "NaN", "+Infinity", "******"); the estimators
// are computed from the frequencies each block section prints, as a run computes them.
//
//   run, blocks, test, parameters, estimators   the main tables
//   replicates, replicate_summary, block_replicates, mean_frequencies
//                                               from the detail lines of a run with negative nreps

struct Report {
  Table run{TableKind::kRun}, blocks{TableKind::kBlocks}, test{TableKind::kTest},
      parameters{TableKind::kParameters}, estimators{TableKind::kEstimators};
  Table replicates{TableKind::kReplicates}, replicate_summary{TableKind::kReplicateSummary},
      block_replicates{TableKind::kBlockReplicates}, mean_frequencies{TableKind::kMeanFrequencies};
  // Samples 1 and 2 as their sections print them: T and f(1..T) (with the frequency pair, the
  // f(i) of the block's M(h) test; a block without them has none here).
  std::vector<Incidence> incidences;
};

// The five main tables, then (when `with_replicates`) the four detail tables.
std::vector<const Table*> tables_of(const Report& report, bool with_replicates);

// The names of the tables above, in that order.
std::vector<std::string> table_names(bool with_replicates);

// The table called `name` among all nine, or nullptr.
const Table* find_table(const Report& report, const std::string& name);

// The curves of richness by effort of a report's two samples (kelvaro/curves.h), as
// result_curves makes them from the run: the same T and f(i), the run's replicates and seed (a
// run seeded from the clock, seed 0, prints no clock value: its intervals are drawn anew from the
// clock), so that the tables curves_table and standardised_table of them hold the same values
// as a program that ran kelvaro itself. A sample block without frequencies (the frequency pair
// without the M(h) test) gets the warning no_incidence.
ResultCurves report_curves(const Report& report);

// "curves", "standardised": the tables made by report_curves on request, never among the nine.
std::vector<std::string> curve_table_names();

// The one failure of kelvaro-tidy: a report it cannot take, with the number of the report line
// (from 1) at which recognition stopped and why. Three kinds, because each asks something
// different of the user: text that is not what kelvaro prints there; a report that stops before
// kelvaro's end of a complete run (kelvaro failed, or the file was cut); and a file that is not
// a report at all but kelvaro's input or a CSV table.

class ReportError : public std::runtime_error {
 public:
  enum class Kind { kUnexpected, kIncomplete, kOtherFile };

  // kUnexpected: "line 7: <reason>". kIncomplete: "line 7: the report is incomplete (did
  // kelvaro fail? check its exit status): <reason>". kOtherFile: "<reason>".
  ReportError(long line, const std::string& reason, Kind kind = Kind::kUnexpected)
      : std::runtime_error(message(line, reason, kind)),
        line_(line),
        kind_(kind),
        reason_(reason) {}

  long line() const { return line_; }
  Kind kind() const { return kind_; }
  const std::string& reason() const { return reason_; }

 private:
  static std::string message(long line, const std::string& reason, Kind kind) {
    if (kind == Kind::kOtherFile) return reason;
    const std::string at = "line " + std::to_string(line) + ": ";
    if (kind == Kind::kUnexpected) return at + reason;
    return at + "the report is incomplete (did kelvaro fail? check its exit status): " + reason;
  }

  long line_;
  Kind kind_;
  std::string reason_;
};

// Recognises a kelvaro report line by line, as a stream, and collects its results into tables
// (tables.h). Recognition is strict about the report's texts, the order of its sections and the
// layout of every number field, so that a value can never be taken from the wrong place; it
// ignores only blanks at line ends and accepts LF, CR LF and CR line ends. A report is complete
// only where kelvaro ends a complete run: after the closing note of a two-sample report (blank
// lines after it are ignored), or, when the input held Sample 1 only, right after a complete
// Sample 1 section (with its M(h) test when it has species) and its last line end. Anything
// shorter is refused as incomplete: kelvaro failed part-way, or the file was cut. (A run that
// failed while reading Sample 2's data leaves exactly a single-sample report: only kelvaro's exit
// status tells them apart.)

// Throws ReportError naming the first line (from 1) that does not fit, or the line after the
// last when the report ends too early (kind kIncomplete); kOtherFile for kelvaro's input or a
// CSV table. Throws ReadError when the input cannot be read. Degenerate input: an empty input is
// refused as incomplete at line 1.
Report parse_report(tools::ByteSource& source);

// The same for a report held in memory.
Report parse_report(std::string_view text);

// Writes one of kelvaro-tidy's tables as RFC 4180 CSV: the header row first, then the rows;
// values as the report prints them ("52.000000", "NaN", "**********"), a value the report does
// not print as an empty field; CR LF line ends.
//
//   block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n
//   Subset A,0,0.0000000,NaN,,,\r\n

// Throws WriteError.
void write_csv(tools::Output& out, const Table& table);

// kelvaro-tidy's JSON document: every table of a report, each row one object on one line, its
// numbers as JSON numbers with exactly the digits the report prints (kelvaro/tables.h json_row).
// The run and test tables are single objects (test: null when the test was not made), the
// others arrays of row objects:
//
//   {
//     "run": {"nreps": 50, "seed": 400},
//     "blocks": [
//       {"block": "Sample 1", "R": 45, "estimate": 52.000000, ...},
//       ...
//     ],
//     ...
//   }

// The detail tables are included only `with_replicates`. Throws WriteError.
void write_json(tools::Output& out, const Report& report, bool with_replicates);

}  // namespace kelvaro::tidy
