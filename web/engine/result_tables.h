#pragma once
// The web page's result tables: the parameters, blocks and test tables of a run with the text
// kelvaro-tidy prints for each value, and kelvaro-tidy's JSON document. This file is the page's
// one place that knows where the tables come from (today: kelvaro-tidy's reading of the report,
// so that every cell is exactly the printed text).

#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"

namespace kelvaro::web {

struct ResultTable {
  std::string name;                             // "parameters", "blocks", "test", "run"
  std::vector<std::string> columns;             // kelvaro-tidy's column names
  std::vector<std::vector<std::string>> rows;   // each value as the report prints it
  std::string csv;                              // kelvaro-tidy's CSV of the table (CR LF)
};

struct ResultTables {
  std::vector<ResultTable> tables;  // run, blocks, test, parameters
  std::string json;                 // kelvaro-tidy --json
};

// The tables of a complete run (`report` is its report text). Throws std::runtime_error when the
// report cannot be read back (a run that did not complete).
ResultTables result_tables(const RunResult& result, const std::string& report);

}  // namespace kelvaro::web
