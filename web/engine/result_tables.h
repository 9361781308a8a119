#pragma once
// The web page's result tables: the run, blocks, test, parameters and estimators tables of a run
// (kelvaro/tables.h, filled from the result, every cell the text the report prints for it), each
// with kelvaro-tidy's CSV, and kelvaro-tidy's JSON document of them all; and the curves and
// standardised tables of the run's richness curves (kelvaro/curves.h), which the report and the
// JSON document leave out.

#include <string>
#include <vector>

#include "kelvaro/curves.h"
#include "kelvaro/kelvaro.h"

namespace kelvaro::web {

struct ResultTable {
  std::string name;                            // "run", "blocks", "test", "parameters", ...
  std::vector<std::string> columns;            // the table's column names
  std::vector<std::vector<std::string>> rows;  // each value as the report prints it
  std::string csv;                             // kelvaro-tidy's CSV of the table (CR LF)
};

struct ResultTables {
  // run, blocks, test, parameters, estimators, then curves and standardised
  std::vector<ResultTable> tables;
  std::string json;  // kelvaro-tidy --json (the report's tables)
};

// The tables of a complete run (status 0) and of its curves (result_curves of the run).
ResultTables result_tables(const RunResult& result, const ResultCurves& curves);

}  // namespace kelvaro::web
