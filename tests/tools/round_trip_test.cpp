// Whole path: kelvaro-prep on the example data, kelvaro, kelvaro-tidy; and kelvaro-tidy on the
// golden reports. Skipped while the kelvaro program or the golden reports are not there.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>

#include "kelvaro/report_reader.h"
#include "support/run_program.h"

namespace kelvaro::tools_test {
namespace {

const std::string kPrep = quoted(KELVARO_PREP_BINARY);
const std::string kTidy = quoted(KELVARO_TIDY_BINARY);
const std::string kExamples = KELVARO_SOURCE_DIR "/examples/data/";

// The sums of the f records (lines 2, 4, 6, 8 of the input): species observed per block.
std::vector<std::string> observed_counts(const std::string& input) {
  std::istringstream in(input);
  std::vector<std::string> counts;
  std::string line;
  std::getline(in, line);  // header
  for (int block = 0; block < 4 && std::getline(in, line); ++block) {
    std::istringstream values(line);
    long sum = 0;
    for (long v; values >> v;) sum += v;
    counts.push_back(std::to_string(sum));
    std::getline(in, line);  // n(i)
  }
  return counts;
}

bool all_lines_end_in_cr_lf(const std::string& text) {
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    if (i == 0 || text[i - 1] != '\r') return false;
  }
  return !text.empty() && text.back() == '\n';
}

// Every value of a JSON table, read back by a JSON parser, is the number its CSV text gives (or
// null, with that text beside it, when the text is not a finite number).
void expect_same_numbers(const nlohmann::json& rows, const std::string& csv_text) {
  std::istringstream in(csv_text);
  std::string line;
  std::getline(in, line);
  std::vector<std::string> columns;
  for (std::istringstream names(line.substr(0, line.size() - 1)); std::getline(names, line, ',');)
    columns.push_back(line);
  for (const nlohmann::json& row : rows) {
    std::getline(in, line);
    std::istringstream cells(line.substr(0, line.size() - 1));
    for (const std::string& column : columns) {
      std::string text;
      std::getline(cells, text, ',');
      SCOPED_TRACE(column + " = " + text);
      const nlohmann::json& value = row.at(column);
      if (value.is_string()) {
        EXPECT_EQ(value, text);  // a label
      } else if (value.is_null()) {
        EXPECT_EQ(row.value(column + "_text", std::string()), text);
      } else {
        EXPECT_EQ(value.get<double>(), std::stod(text));
      }
    }
  }
}

TEST(RoundTrip, ExamplesThroughKelvaroAndBack) {
  if (!std::filesystem::exists(KELVARO_BINARY)) GTEST_SKIP() << "no kelvaro binary yet";
  const struct {
    const char* name;
    std::string files;
    std::string options;
    bool equal_sites;
    std::size_t replicates;
  } cases[] = {
      {"ditches", "ditches-week-4.csv ditches-week24.csv", "", true, 0},
      {"plots with detail lines", "plots-1-25.csv plots-26-50.csv", "--nreps -5", true, 5},
      {"ditches without range adjustment", "ditches-week-4.csv ditches-week24.csv",
       "--no-range-adjust --seed 77", true, 0},
      {"different numbers of sites, no common species", "ditches-week-4.csv plots-1-25.csv", "",
       false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream names(c.files);
    std::string files;
    for (std::string f; names >> f;) files += " " + quoted(kExamples + f);
    const RunResult input = run(kPrep + " " + c.options + files);
    ASSERT_EQ(input.status, 0) << input.err;
    const RunResult report = run(quoted(KELVARO_BINARY), input.out);
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_TRUE(all_lines_end_in_cr_lf(report.out));
    const RunResult tidy = run(kTidy + " --json --replicates", report.out);
    ASSERT_EQ(tidy.status, 0) << tidy.err;
    const nlohmann::json doc = nlohmann::json::parse(tidy.out);
    const std::vector<std::string> observed = observed_counts(input.out);
    ASSERT_EQ(doc.at("blocks").size(), 4u);
    for (std::size_t b = 0; b < 4; ++b)
      EXPECT_EQ(doc["blocks"][b]["R"], std::stol(observed[b])) << b;
    EXPECT_EQ(doc.at("test").is_null(), !c.equal_sites);
    EXPECT_EQ(doc.at("parameters").size(), 11u);
    EXPECT_EQ(doc.at("replicates").size(), c.replicates);
    expect_same_numbers(doc.at("parameters"), run(kTidy, report.out).out);
    expect_same_numbers(doc.at("blocks"), run(kTidy + " --table blocks", report.out).out);
  }
}

// The parameter lines of a report (the eleven after the table's five heading lines).
std::vector<std::string> parameter_lines(const std::string& report) {
  std::istringstream in(report);
  std::vector<std::string> lines;
  bool in_table = false;
  int skip = 0;
  for (std::string line; std::getline(in, line) && lines.size() < 11;) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == " Parameter estimates") {
      in_table = true;
      skip = 4;
    } else if (in_table && skip > 0) {
      --skip;
    } else if (in_table) {
      lines.push_back(line);
    }
  }
  return lines;
}

std::string without_blanks(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != ' ') out += c;
  }
  return out;
}

TEST(RoundTrip, TidyReproducesTheParameterTableOfEveryGoldenReport) {
  const std::filesystem::path dir = KELVARO_SOURCE_DIR "/tests/golden";
  std::vector<std::filesystem::path> reports;
  if (std::filesystem::exists(dir)) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().extension() == ".out") reports.push_back(entry.path());
    }
  }
  if (reports.empty()) GTEST_SKIP() << "no golden reports yet";
  for (const auto& path : reports) {
    SCOPED_TRACE(path.filename().string());
    const std::string text = read_file(path.string());
    std::filesystem::path status = path;
    status.replace_extension(".status");
    if (std::filesystem::exists(status) && read_file(status.string()).substr(0, 1) != "0") {
      // A run that stopped on bad input leaves a partial report (or none): not complete.
      EXPECT_THROW(tidy::parse_report(text), tidy::ReportError);
      continue;
    }
    const tidy::Report r = tidy::parse_report(text);
    const std::vector<std::string> lines = parameter_lines(text);
    if (lines.empty()) {
      EXPECT_TRUE(r.parameters.empty());  // a single-sample run has no table
      continue;
    }
    ASSERT_EQ(r.parameters.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      // Each line, blanks removed, is label, three values, lower, "-", upper run together.
      const auto row = r.parameters.rows()[i];
      EXPECT_EQ(row[0] + row[1] + row[2] + row[3] + row[4] + "-" + row[5],
                without_blanks(lines[i]));
    }
  }
}

}  // namespace
}  // namespace kelvaro::tools_test
