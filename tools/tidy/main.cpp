// kelvaro-tidy: reads a kelvaro report (a file, or standard input) and writes its results as
// CSV tables or one JSON document.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tidy/report_error.h"
#include "tidy/report_parser.h"
#include "tidy/table_writer.h"

namespace {

constexpr int kRefused = 2;  // exit status for a report that cannot be read or recognised

struct Options {
  std::string report = "-";
  bool json = false;
  bool replicates = false;
  std::string table;
  std::string dir;
};

const std::vector<std::string> kTableNames = {"run",
                                              "blocks",
                                              "test",
                                              "parameters",
                                              "replicates",
                                              "replicate_summary",
                                              "block_replicates",
                                              "mean_frequencies"};

void define_options(CLI::App& app, Options& o) {
  app.add_option("report", o.report, "kelvaro report file (default: standard input)")
      ->type_name("REPORT");
  auto* json = app.add_flag("--json", o.json, "write one JSON document with all tables");
  app.add_flag("--replicates", o.replicates,
               "include the bootstrap detail lines of a run with negative nreps (with --json or "
               "--dir); alone, write the table of replicates");
  auto* table =
      app.add_option("--table", o.table, "the table to write as CSV (default: parameters)")
          ->check(CLI::IsMember(kTableNames));
  auto* dir =
      app.add_option("--dir", o.dir, "write every table as DIR/<table>.csv")->type_name("DIR");
  json->excludes(table)->excludes(dir);
  table->excludes(dir);
  app.set_version_flag("--version", std::string("kelvaro-tidy ") + KELVARO_VERSION);
}

bool read_report(const std::string& path, std::string& text) {
  std::ostringstream buffer;
  if (path == "-") {
    buffer << std::cin.rdbuf();
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    buffer << in.rdbuf();
  }
  text = buffer.str();
  return true;
}

bool write_dir(const std::string& dir, const kelvaro::tidy::Report& report, bool replicates) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (const auto* table : kelvaro::tidy::tables_of(report, replicates)) {
    const std::string path = (std::filesystem::path(dir) / (table->name + ".csv")).string();
    std::ofstream out(path, std::ios::binary);
    kelvaro::tidy::write_csv(out, *table);
    out.flush();
    if (!out) {
      std::cerr << "kelvaro-tidy: " << path << ": cannot write the file\n";
      return false;
    }
  }
  return true;
}

int write_output(const Options& o, const kelvaro::tidy::Report& report) {
  if (o.json) {
    std::cout << kelvaro::tidy::to_json(report, o.replicates).dump(2) << '\n';
  } else if (!o.dir.empty()) {
    if (!write_dir(o.dir, report, o.replicates)) return kRefused;
  } else {
    const std::string name = !o.table.empty() ? o.table
                             : o.replicates   ? "replicates"
                                              : "parameters";
    kelvaro::tidy::write_csv(std::cout, *kelvaro::tidy::find_table(report, name));
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Reads a kelvaro report and writes its results as CSV tables or JSON.",
               "kelvaro-tidy"};
  Options o;
  define_options(app, o);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : kRefused;
  }
  const std::string name = o.report == "-" ? "standard input" : o.report;
  std::string text;
  if (!read_report(o.report, text)) {
    std::cerr << "kelvaro-tidy: " << name << ": cannot open the file\n";
    return kRefused;
  }
  try {
    return write_output(o, kelvaro::tidy::parse_report(text));
  } catch (const kelvaro::tidy::ReportError& e) {
    std::cerr << "kelvaro-tidy: " << name << ": not a kelvaro report as expected: " << e.what()
              << '\n';
    return kRefused;
  }
}
