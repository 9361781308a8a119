#include "result_tables.h"

#include "kelvaro/checked_output.h"
#include "kelvaro/report_reader.h"
#include "kelvaro/tables.h"

namespace kelvaro::web {
namespace {

ResultTable result_table(const Table& table) {
  ResultTable t;
  t.name = table.name();
  for (const Column& c : table.columns()) t.columns.emplace_back(c.name);
  t.rows = table.rows();
  tools::StringOutput csv;
  tidy::write_csv(csv, table);
  t.csv = csv.text();
  return t;
}

}  // namespace

ResultTables result_tables(const RunResult& result, const ResultCurves& curves) {
  tidy::Report tables;  // the main tables only: the page keeps no detail lines
  tables.run = run_table(result);
  tables.blocks = blocks_table(result);
  tables.test = test_table(result);
  tables.parameters = parameters_table(result);
  tables.estimators = estimators_table(result);
  ResultTables out;
  for (const Table* table : tidy::tables_of(tables, false))
    out.tables.push_back(result_table(*table));
  out.tables.push_back(result_table(curves_table(curves)));
  out.tables.push_back(result_table(standardised_table(curves)));
  tools::StringOutput json;
  tidy::write_json(json, tables, false);
  out.json = json.text();
  return out;
}

}  // namespace kelvaro::web
