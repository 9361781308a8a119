#pragma once
// kelvaro-tidy's JSON document: every table of a report, each value the report's own text as a
// JSON string ("52.000000", "NaN", "**********"), a value the report does not print (a block
// without the M(h) test) null. The run and test tables are single objects (test: null when the
// test was not made), the others arrays of row objects, one row per line:
//
//   {
//     "run": {"nreps": "50", "seed": "400"},
//     "blocks": [
//       {"block": "Sample 1", "R": "45", "estimate": "52.000000", ...},
//       ...
//     ],
//     ...
//   }

#include <string>
#include <string_view>

#include "common/output.h"
#include "tidy/tables.h"

namespace kelvaro::tidy {

// `text` as a JSON string: quotes, backslashes and control characters escaped.
std::string json_string(std::string_view text);

// The detail tables are included only `with_replicates`. Throws WriteError.
void write_json(tools::Output& out, const Report& report, bool with_replicates);

}  // namespace kelvaro::tidy
