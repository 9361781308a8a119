#pragma once
// The tables that kelvaro-tidy makes of a report: kelvaro's result tables (kelvaro/tables.h),
// filled from the report's text. Every value is the report's own text for it, blanks trimmed
// (no conversion, no re-rounding: "52.000000", "NaN", "+Infinity", "******"); the estimators
// are computed from the frequencies each block section prints, as a run computes them.
//
//   run, blocks, test, parameters, estimators   the main tables
//   replicates, replicate_summary, block_replicates, mean_frequencies
//                                               from the detail lines of a run with negative nreps

#include <string>
#include <vector>

#include "kelvaro/tables.h"

namespace kelvaro::tidy {

struct Report {
  Table run{TableKind::kRun}, blocks{TableKind::kBlocks}, test{TableKind::kTest},
      parameters{TableKind::kParameters}, estimators{TableKind::kEstimators};
  Table replicates{TableKind::kReplicates}, replicate_summary{TableKind::kReplicateSummary},
      block_replicates{TableKind::kBlockReplicates}, mean_frequencies{TableKind::kMeanFrequencies};
};

// The five main tables, then (when `with_replicates`) the four detail tables.
std::vector<const Table*> tables_of(const Report& report, bool with_replicates);

// The names of the tables above, in that order.
std::vector<std::string> table_names(bool with_replicates);

// The table called `name` among all nine, or nullptr.
const Table* find_table(const Report& report, const std::string& name);

}  // namespace kelvaro::tidy
