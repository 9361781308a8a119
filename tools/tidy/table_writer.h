#pragma once
// Writes kelvaro-tidy's tables as RFC 4180 CSV (one table, header row first, CR LF line ends)
// or as one JSON document holding all of them. Values keep the report's text: in JSON they are
// strings ("52.000000", "NaN"), an absent value is null; in CSV an absent value is empty.
//
//   JSON: {"run": {"nreps": "50", "seed": "400"},
//          "blocks": [{"block": "Sample 1", "R": "45", ...}, ...],
//          "test": {"chi_square": ..., "df": ..., "probability": ...} or null,
//          "parameters": [{"parameter": "N(1)", "estimate": "52.31", ...}, ...], ...}

#include <iosfwd>
#include <nlohmann/json.hpp>

#include "tidy/tables.h"

namespace kelvaro::tidy {

void write_csv(std::ostream& out, const Table& table);

// The run and test tables become single objects (test: null without a row), the others arrays
// of row objects. The detail tables are included only `with_replicates`.
nlohmann::ordered_json to_json(const Report& report, bool with_replicates);

}  // namespace kelvaro::tidy
