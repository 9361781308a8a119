#pragma once
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

#include "kelvaro/checked_output.h"
#include "tidy/tables.h"

namespace kelvaro::tidy {

// The detail tables are included only `with_replicates`. Throws WriteError.
void write_json(tools::Output& out, const Report& report, bool with_replicates);

}  // namespace kelvaro::tidy
