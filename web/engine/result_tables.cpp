#include "result_tables.h"

#include "common/byte_source.h"
#include "common/output.h"
#include "tidy/json_writer.h"
#include "tidy/report_parser.h"
#include "tidy/table_writer.h"

namespace kelvaro::web {

ResultTables result_tables(const RunResult& /*result*/, const std::string& report) {
  tools::TextSource source(report, "the report");
  const tidy::Report parsed = tidy::parse_report(source);
  ResultTables out;
  for (const tidy::Table* table : tidy::tables_of(parsed, false)) {
    ResultTable t;
    t.name = table->name();
    for (const tidy::Column& c : table->columns()) t.columns.push_back(c.name);
    t.rows = table->rows();
    tools::StringOutput csv;
    tidy::write_csv(csv, *table);
    t.csv = csv.text();
    out.tables.push_back(std::move(t));
  }
  tools::StringOutput json;
  tidy::write_json(json, parsed, false);
  out.json = json.text();
  return out;
}

}  // namespace kelvaro::web
