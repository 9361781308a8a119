// kelvaro-batch's rows hold a run's values as the report prints them: the same text that
// kelvaro-tidy reads from the report, for every golden input with a complete two-sample report
// (NaN, infinities and fields of asterisks included).

#include <gtest/gtest.h>

#include <filesystem>

#include "batch/result_rows.h"
#include "csv/csv_writer.h"
#include "tidy/report_parser.h"
#include "tools/run_program.h"

namespace kelvaro::batch {
namespace {

// The table's rows as CSV, each after `key`.
std::string rows_of(const tidy::Table& table, const std::string& key) {
  std::string out;
  for (const std::vector<std::string>& row : table.rows()) {
    std::string line;
    csv::append_csv_row(line, row);
    out += key + "," + line;
  }
  return out;
}

TEST(ResultRows, ValuesAsTheReportPrintsThem) {
  const std::filesystem::path golden = std::filesystem::path(KELVARO_SOURCE_DIR) / "tests/golden";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(golden)) {
    if (entry.path().extension() != ".in") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const RunResult result = run_text(tools_test::read_file(entry.path().string()));
    if (result.status != RunStatus::kComplete || result.parameters.size() != kParameterCount) continue;
    const tidy::Report report = tidy::parse_report(report_text(result));
    const std::string key = pair_key("g,1", "2019", "2020");
    std::string parameters, blocks, tests;
    append_parameter_rows(parameters, key, result);
    append_block_rows(blocks, key, result);
    append_test_row(tests, key, result);
    EXPECT_EQ(parameters, rows_of(report.parameters, key));
    EXPECT_EQ(blocks, rows_of(report.blocks, key));
    EXPECT_EQ(tests, rows_of(report.test, key));
    ++compared;
  }
  EXPECT_GE(compared, 10) << "the golden inputs with a complete report";
}

TEST(ResultRows, HeadersAreTheKeyAndTidysColumns) {
  const tidy::Report report = tidy::empty_report();
  const std::pair<std::string_view, const tidy::Table*> tables[] = {
      {kParametersHeader, &report.parameters},
      {kBlocksHeader, &report.blocks},
      {kTestsHeader, &report.test}};
  for (const auto& [header, table] : tables) {
    std::vector<std::string> columns = {"group", "sample1", "sample2"};
    for (const tidy::Column& c : table->columns()) columns.push_back(c.name);
    std::string expected;
    csv::append_csv_row(expected, columns);
    EXPECT_EQ(header, expected) << table->name();
  }
}

TEST(ResultRows, KeyFieldsAreQuotedOnlyWhenNeeded) {
  EXPECT_EQ(pair_key("7", "2019", "2020"), "7,2019,2020");
  EXPECT_EQ(pair_key("Route 7, north", "2019", "a\"b"), "\"Route 7, north\",2019,\"a\"\"b\"");
}

}  // namespace
}  // namespace kelvaro::batch
