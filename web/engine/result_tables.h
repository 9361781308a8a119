#pragma once
// The web page's result tables: the run, blocks, test, parameters and estimators tables of a run
// (kelvaro/tables.h, filled from the result, every cell the text the report prints for it), each
// with kelvaro-tidy's CSV, and kelvaro-tidy's JSON document of them all.

#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"

namespace kelvaro::web {

struct ResultTable {
  std::string name;                            // "run", "blocks", "test", "parameters", ...
  std::vector<std::string> columns;            // the table's column names
  std::vector<std::vector<std::string>> rows;  // each value as the report prints it
  std::string csv;                             // kelvaro-tidy's CSV of the table (CR LF)
};

struct ResultTables {
  std::vector<ResultTable> tables;  // run, blocks, test, parameters, estimators
  std::string json;                 // kelvaro-tidy --json
};

// The tables of a complete run (status 0).
ResultTables result_tables(const RunResult& result);

}  // namespace kelvaro::web
