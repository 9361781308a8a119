#pragma once
// kelvaro's result tables: the one definition of the tables every front end writes (kelvaro-batch's
// CSV files, kelvaro-tidy's CSV and JSON, the R package's data frames, the browser page). A table
// has a name, its columns in order and rows of text. Every value is the text the report prints
// for it, blanks trimmed (no conversion, no re-rounding), so that a table filled from a run's
// result and one filled from its report's text hold the same bytes; an empty string is a value
// that does not exist (a block without the M(h) test, the standard error of jack1).
//
//   run               nreps, seed                                  (I6, I9)
//   blocks            block, R, estimate (rounded, as the block section prints it), SE,
//                     mh_chi_square, mh_df, mh_probability
//                     R: free-form integer; estimate, SE: free-form reals; the M(h) test: F8.3,
//                     I3, F8.4, empty when the report has no test:   31.0f -> "31.000000"
//   test              chi_square, df, probability   (free-form doubles, free-form integer; no row
//                     when the test was not made: the samples' numbers of sites differ)
//   parameters        parameter, estimate (unrounded), bootstrap_average, standard_error, lower,
//                     upper     F10.2 (N(1), N(2), M2(R1), M1(R2), B) or F10.4 (PHI, GAMMA,
//                     LAMBDA, altLAMBDA, p(1), p(2)):                110.961 -> "110.96"
//   estimators        block, estimator, estimate, standard_error, lower, upper: per block the
//                     rows chao2, jack1, jack2, bootstrap (StandardEstimates, which the report
//                     does not print, as the shortest text that reads back as the same double:
//                     17.9 -> "17.9", 1.5e20 -> "1.5E+20", NaN -> "NaN"; standard_error, lower
//                     and upper only for chao2: the others' need more than the frequencies) and
//                     kelvaro (the blocks table's estimate and SE; no interval)
//   curves            block, sites, kind, richness, lower, upper, coverage: per block the curve
//                     of kelvaro/curves.h at every number of sites from 1 to its endpoint (2T),
//                     kind interpolated, observed or extrapolated; the values, which the report
//                     does not print, as the estimators' are (lower, upper empty without
//                     intervals, coverage empty without species)
//   standardised      standard, block, sites, kind, richness, lower, upper, coverage: the two
//                     samples compared, standard "effort" (sites held: a whole number) rows
//                     first, then "coverage" (coverage held; sites the effort that reaches it,
//                     empty when only infinite effort does)
// and, from the detail lines of a run with negative nreps (filled by kelvaro-tidy):
//   replicates        replicate, N1, N2, M2R1, M1R2, PHI, GAMMA, LAMBDA, altLAMBDA, B, p1, p2,
//                     R1, R2
//   replicate_summary statistic (average | standard_error), N1 ... p2
//   block_replicates  block, replicate, f1 ... f7, f1_to_f6, estimate
//   mean_frequencies  block, f1 ... f6
//
// Rows are kept compactly (the cells' text in one buffer), so that the largest table, 10,000
// replicates, takes a few times its text in memory. Tables are plain values; the functions are
// reentrant.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/curves.h"
#include "kelvaro/kelvaro.h"

namespace kelvaro {

enum class TableKind {
  kRun,
  kBlocks,
  kTest,
  kParameters,
  kEstimators,
  kReplicates,
  kReplicateSummary,
  kBlockReplicates,
  kMeanFrequencies,
  kCurves,
  kStandardised,
};

struct Column {
  std::string_view name;
  bool label = false;  // text (a block's, parameter's or estimator's name); otherwise a number
};

// "run", "blocks", "test", "parameters", "estimators", "replicates", "replicate_summary",
// "block_replicates", "mean_frequencies", "curves", "standardised".
std::string_view table_name(TableKind kind);

// The table's columns, in order (above).
std::vector<Column> table_columns(TableKind kind);

class Table {
 public:
  // An empty table of the kind: its name and columns, no rows.
  explicit Table(TableKind kind);

  TableKind kind() const { return kind_; }
  std::string_view name() const { return table_name(kind_); }
  const std::vector<Column>& columns() const { return columns_; }
  std::size_t size() const { return ends_.size() / columns_.size(); }
  bool empty() const { return ends_.empty(); }
  // Requires: row < size(), column < columns().size().
  std::string_view cell(std::size_t row, std::size_t column) const;
  // Requires: cells.size() == columns().size().
  void add_row(const std::vector<std::string>& cells);
  // Every row, copied out (tests and small tables).
  std::vector<std::vector<std::string>> rows() const;

 private:
  TableKind kind_;
  std::vector<Column> columns_;
  std::string text_;
  std::vector<std::uint32_t> ends_;  // end of each cell in text_, row after row
};

// The tables of a result, filled as the report prints it. A table whose part of the report the
// run did not reach has no rows (parameters unless all kParameterCount are there; test when
// the test was not made).
Table run_table(const RunResult& result);
Table blocks_table(const RunResult& result);
Table test_table(const RunResult& result);
Table parameters_table(const RunResult& result);
Table estimators_table(const RunResult& result);

// The tables of curves made from a result (result_curves) or from a report's frequencies
// (estimate_curves): one row per point of each block's curve, in the blocks' order; one row per
// sample and standard of the comparison. 12.5 sites -> "12.5"; 10 sites -> "10".
Table curves_table(const ResultCurves& curves);
Table standardised_table(const ResultCurves& curves);

// Appends one block's five estimators rows: chao2, jack1, jack2, bootstrap from `standard`,
// then kelvaro with `estimate` and `standard_error` as the blocks table holds them. kelvaro-tidy
// fills the table this way from a report's frequency lines (standard_estimates of the printed
// f(i)) and its blocks table.
// Requires: `estimators` is of kind kEstimators.
void add_estimator_rows(Table& estimators, std::string_view block,
                        const StandardEstimates& standard, std::string_view estimate,
                        std::string_view standard_error);

// JSON: a row as one object, {"block": "Sample 1", "R": 45, "estimate": 52.000000, ...}. Labels
// are strings; numbers are JSON numbers written with exactly the digits printed (never converted
// through binary, so nothing is re-rounded); what JSON cannot hold as a number is kept as text
// beside a null; a value that does not exist is null:
//
//   printed "52.000000"  ->  52.000000          printed "3."  ->  3     ".50"  ->  0.50
//   printed "1.00000000E+08"  ->  1.00000000E+08        "+3"  ->  3
//   printed "NaN" in column upper  ->  "upper": null, "upper_text": "NaN"
//   (the same for "+Infinity", "-Inf" and a field of asterisks, "**********")
//   empty (a block without the M(h) test)  ->  null
//
// Requires: row < table.size().
std::string json_row(const Table& table, std::size_t row);

// The JSON number with the digits of a printed number, or nullopt for NaN, an infinity or
// asterisks. Requires: `printed` is a number as the tables hold it.
std::optional<std::string> json_number(std::string_view printed);

// `text` as a JSON string: quotes, backslashes and control characters escaped.
std::string json_string(std::string_view text);

}  // namespace kelvaro
