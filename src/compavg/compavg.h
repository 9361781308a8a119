#pragma once
// The community-dynamics summary that closes every report: the parameters of every bootstrap
// replicate and of the data, their bootstrap averages, standard errors and percentile
// intervals, the optional detail block, the parameter estimates table and the definitions.

#include <cstdint>

namespace kelvaro {

// With n = |nreps| (at most 10000; larger magnitudes are held to 10000):
//  - nreps < 0: prints the detail heading, then each replicate's line as soon as it is derived;
//  - derives every replicate row i = 1..n (replicate_parameters; swtch != 0 holds replicate
//    values to their natural ranges);
//  - for k = 1..9, 11, 12: average and standard error over the replicate order, then cnfint,
//    which leaves rows 1..n of column k sorted;
//  - nreps < 0: an empty record, the averages and the standard errors;
//  - the parameter estimates table (data values from work03, independent of swtch), the
//    definitions and the note on the intervals.
// Reads work03.nobs(1..2), work03.nest(1..4), work04.boot and work04.nobsb rows 1..n; rewrites
// work04.boot rows 1..n (columns 1, 2, 5-9, 11, 12 derived, every parameter column sorted);
// rows beyond n and column 10 are untouched. Output goes to the report stream.
// Warnings: intervals from fewer than 20 replicates (at header_line, where nreps was given), and
// each data estimate that lies outside its own interval.
void compavg(std::int32_t nreps, std::int32_t swtch, std::int64_t header_line = 0);

}  // namespace kelvaro
