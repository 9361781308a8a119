#pragma once
// kelvaro-tidy's JSON document: every table of a report, its numbers as JSON numbers written
// with exactly the digits the report prints (never converted through binary, so nothing is
// re-rounded), and what JSON cannot hold as a number kept as text beside a null:
//
//   printed "52.000000"  ->  52.000000          printed "3."  ->  3     ".50"  ->  0.50
//   printed "1.00000000E+08"  ->  1.00000000E+08        "+3"  ->  3
//   printed "NaN" in column upper  ->  "upper": null, "upper_text": "NaN"
//   (the same for "+Infinity", "-Inf" and a field of asterisks, "**********")
//   not printed (a block without the M(h) test)  ->  null
//
// The run and test tables are single objects (test: null when the test was not made), the
// others arrays of row objects, one row per line:
//
//   {
//     "run": {"nreps": 50, "seed": 400},
//     "blocks": [
//       {"block": "Sample 1", "R": 45, "estimate": 52.000000, ...},
//       ...
//     ],
//     ...
//   }

#include <optional>
#include <string>
#include <string_view>

#include "common/output.h"
#include "tidy/tables.h"

namespace kelvaro::tidy {

// The JSON number with the digits of a printed number, or nullopt for NaN, an infinity or
// asterisks. Requires: `printed` is a number as the report prints it (line_cursor.h).
std::optional<std::string> json_number(std::string_view printed);

// `text` as a JSON string: quotes, backslashes and control characters escaped.
std::string json_string(std::string_view text);

// The detail tables are included only `with_replicates`. Throws WriteError.
void write_json(tools::Output& out, const Report& report, bool with_replicates);

}  // namespace kelvaro::tidy
