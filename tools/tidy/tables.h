#pragma once
// The tables that kelvaro-tidy makes of a report. Every value is the report's own text for it,
// blanks trimmed (no conversion, no re-rounding: "52.000000", "NaN", "+Infinity", "******");
// an empty string is a value the report does not print (a block without the M(h) test).
//
//   run              nreps, seed
//   blocks           block, R, estimate (rounded, as the block section prints it), SE,
//                    mh_chi_square, mh_df, mh_probability
//   test             chi_square, df, probability          (no row when the test was not made)
//   parameters       parameter, estimate (unrounded), bootstrap_average, standard_error, lower,
//                    upper
// and, from the detail lines of a run with negative nreps:
//   replicates       replicate, N1, N2, M2R1, M1R2, PHI, GAMMA, LAMBDA, altLAMBDA, B, p1, p2, R1,
//   R2 replicate_summary statistic (average | standard_error), N1 ... p2 block_replicates block,
//   replicate, f1 ... f7, f1_to_f6, estimate mean_frequencies block, f1 ... f6

#include <string>
#include <vector>

namespace kelvaro::tidy {

struct Table {
  std::string name;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // each as long as `columns`
};

struct Report {
  Table run, blocks, test, parameters;
  Table replicates, replicate_summary, block_replicates, mean_frequencies;
};

// A report with every table named and given its columns, and no rows.
Report empty_report();

// The four main tables, then (when `with_replicates`) the four detail tables.
std::vector<const Table*> tables_of(const Report& report, bool with_replicates);

// The table called `name` among all eight, or nullptr.
const Table* find_table(const Report& report, const std::string& name);

}  // namespace kelvaro::tidy
