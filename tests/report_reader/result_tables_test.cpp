// kelvaro's result tables hold a run's values as the report prints them: filled from a result
// (as kelvaro-batch and the R package fill them) they are the text the report reader takes from
// the report, for every golden input with a complete two-sample report (NaN, infinities and fields
// of asterisks included), the estimators computed from the printed frequencies included.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "kelvaro/curves.h"
#include "kelvaro/report_reader.h"
#include "kelvaro/tables.h"
#include "support/run_program.h"

namespace kelvaro {
namespace {

TEST(ResultTables, FromTheResultAsFromTheReport) {
  const std::filesystem::path golden = std::filesystem::path(KELVARO_SOURCE_DIR) / "tests/golden";
  int compared = 0;
  std::size_t curved = 0;
  for (const auto& entry : std::filesystem::directory_iterator(golden)) {
    if (entry.path().extension() != ".in") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const RunResult result = run_text(tools_test::read_file(entry.path().string()));
    if (result.status != RunStatus::kComplete || result.parameters.size() != kParameterCount) {
      continue;
    }
    const tidy::Report report = tidy::parse_report(report_text(result));
    const std::pair<Table, const Table*> tables[] = {
        {run_table(result), &report.run},
        {parameters_table(result), &report.parameters},
        {blocks_table(result), &report.blocks},
        {test_table(result), &report.test},
        {estimators_table(result), &report.estimators}};
    for (const auto& [from_result, from_report] : tables) {
      EXPECT_EQ(from_result.rows(), from_report->rows()) << from_result.name();
    }
    // The curves, made from the printed frequencies (the M(h) test's with the frequency pair)
    // with the printed replicates and seed, are the run's (a clock seed is not printed).
    if (result.options.seed != 0) {
      const ResultCurves run = result_curves(result, curve_settings(result));
      const ResultCurves read = tidy::report_curves(report);
      EXPECT_EQ(curves_table(run).rows(), curves_table(read).rows());
      EXPECT_EQ(standardised_table(run).rows(), standardised_table(read).rows());
      ASSERT_EQ(run.warnings.size(), read.warnings.size());
      for (std::size_t i = 0; i < run.warnings.size(); ++i) {
        EXPECT_EQ(format_warning(run.warnings[i]), format_warning(read.warnings[i]));
      }
      curved += run.blocks.size();
    }
    ++compared;
  }
  EXPECT_GE(compared, 10) << "the golden inputs with a complete report";
  EXPECT_GE(curved, 10u) << "the samples with curves";
}

TEST(ResultTables, EstimatorsTextAsTheHeaderShowsIt) {
  RunResult result;
  BlockResult b;
  b.block = kSubsetB;
  b.rounded_estimate = 31.0f;
  b.standard_error = 2.5f;
  b.standard = {17.9, 17.9, 1.5e20, std::nan(""), -INFINITY, 0.1, 5, 2.0 / 3};
  result.blocks.push_back(b);
  const std::vector<std::vector<std::string>> expected = {
      {"Subset B", "chao2", "17.9", "1.5E+20", "NaN", "-Infinity"},
      {"Subset B", "jack1", "0.1", "", "", ""},
      {"Subset B", "jack2", "5", "", "", ""},
      {"Subset B", "bootstrap", "0.6666666666666666", "", "", ""},
      {"Subset B", "kelvaro", "31.000000", "2.5000000", "", ""}};
  EXPECT_EQ(estimators_table(result).rows(), expected);
}

}  // namespace
}  // namespace kelvaro
