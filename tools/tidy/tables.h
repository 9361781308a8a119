#pragma once
// The tables that kelvaro-tidy makes of a report. Every value is the report's own text for it,
// blanks trimmed (no conversion, no re-rounding: "52.000000", "NaN", "+Infinity", "******");
// an empty string is a value the report does not print (a block without the M(h) test). A
// column is either a label (text: a block's or parameter's name) or a number as printed.
//
//   run              nreps, seed
//   blocks           block, R, estimate (rounded, as the block section prints it), SE,
//                    mh_chi_square, mh_df, mh_probability
//   test             chi_square, df, probability          (no row when the test was not made)
//   parameters       parameter, estimate (unrounded), bootstrap_average, standard_error, lower,
//                    upper
// and, from the detail lines of a run with negative nreps:
//   replicates         replicate, N1, N2, M2R1, M1R2, PHI, GAMMA, LAMBDA, altLAMBDA, B, p1, p2,
//                      R1, R2
//   replicate_summary  statistic (average | standard_error), N1 ... p2
//   block_replicates   block, replicate, f1 ... f7, f1_to_f6, estimate
//   mean_frequencies   block, f1 ... f6
//
// Rows are kept compactly (the cells' text in one buffer), so that the largest report, with
// 10,000 replicates, takes a few times its text in memory.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::tidy {

struct Column {
  std::string name;
  bool label = false;  // text; otherwise a number as the report prints it
};

class Table {
 public:
  Table() = default;
  Table(std::string name, std::vector<Column> columns)
      : name_(std::move(name)), columns_(std::move(columns)) {}

  const std::string& name() const { return name_; }
  const std::vector<Column>& columns() const { return columns_; }
  std::size_t size() const { return columns_.empty() ? 0 : ends_.size() / columns_.size(); }
  bool empty() const { return ends_.empty(); }
  // Requires: row < size(), column < columns().size().
  std::string_view cell(std::size_t row, std::size_t column) const;
  // Requires: cells.size() == columns().size().
  void add_row(const std::vector<std::string>& cells);
  // Every row, copied out (tests and small tables).
  std::vector<std::vector<std::string>> rows() const;

 private:
  std::string name_;
  std::vector<Column> columns_;
  std::string text_;
  std::vector<std::uint32_t> ends_;  // end of each cell in text_, row after row
};

struct Report {
  Table run, blocks, test, parameters;
  Table replicates, replicate_summary, block_replicates, mean_frequencies;
};

// A report with every table named and given its columns, and no rows.
Report empty_report();

// The four main tables, then (when `with_replicates`) the four detail tables.
std::vector<const Table*> tables_of(const Report& report, bool with_replicates);

// The names of the tables above, in that order.
std::vector<std::string> table_names(bool with_replicates);

// The table called `name` among all eight, or nullptr.
const Table* find_table(const Report& report, const std::string& name);

}  // namespace kelvaro::tidy
