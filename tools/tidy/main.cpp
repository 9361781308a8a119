// kelvaro-tidy: reads a kelvaro report (a file, or standard input) and writes its results as
// CSV tables or one JSON document.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/report_reader.h"

namespace {

namespace tidy = kelvaro::tidy;
namespace tools = kelvaro::tools;

struct Options {
  std::string report = "-";
  bool json = false;
  bool replicates = false;
  std::string table;
  std::string dir;
  bool force = false;
};

void define_options(CLI::App& app, Options& o) {
  app.add_option("report", o.report, "kelvaro report file (default: standard input)")
      ->type_name("REPORT");
  auto* json = app.add_flag("--json", o.json, "write one JSON document with all tables");
  app.add_flag("--replicates", o.replicates,
               "include the bootstrap detail lines of a run with negative nreps (with --json or "
               "--dir); alone, write the table of replicates");
  std::vector<std::string> names = tidy::table_names(true);
  for (const std::string& name : tidy::curve_table_names()) names.push_back(name);
  auto* table = app.add_option("--table", o.table,
                               "the table to write as CSV (default: parameters); curves and "
                               "standardised: the samples' richness by number of sites, and the "
                               "two compared at equal effort and coverage (made on request, "
                               "with the report's replicates and seed)")
                    ->check(CLI::IsMember(names));
  auto* dir = app.add_option("--dir", o.dir, "write every table as DIR/<table>.csv")
                  ->check(tools::non_empty_name())
                  ->type_name("DIR");
  app.add_flag("--force", o.force, "with --dir, replace read-only tables too (keeping their mode)");
  json->excludes(table)->excludes(dir);
  table->excludes(dir);
  app.set_version_flag("-V,--version", std::string("kelvaro-tidy ") + KELVARO_VERSION);
}

std::string table_path(const Options& o, const std::string& name) {
  return (std::filesystem::path(o.dir) / (name + ".csv")).string();
}

// An output file that is the report itself, refused before anything is read.
std::optional<std::string> overwrites_input(const Options& o) {
  if (o.dir.empty() || o.report == "-") return std::nullopt;
  for (const std::string& name : tidy::table_names(o.replicates)) {
    if (tools::same_file(table_path(o, name), o.report)) {
      return "--dir " + o.dir + " would write " + table_path(o, name) +
             ", which is the report itself: choose another directory";
    }
  }
  return std::nullopt;
}

// The folders of `dir` that do not exist yet, deepest first.
std::vector<std::filesystem::path> missing_folders(const std::string& dir) {
  std::vector<std::filesystem::path> missing;
  std::error_code ec;
  for (std::filesystem::path p = std::filesystem::absolute(dir, ec).lexically_normal();
       !ec && p.has_relative_path() && !std::filesystem::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p);
  }
  return missing;
}

// Every table as DIR/<table>.csv, all written before any replaces an earlier file. A run that
// fails removes the folders it made (they hold nothing of it).
void write_dir(const Options& o, const tidy::Report& report) {
  const std::vector<std::filesystem::path> made = missing_folders(o.dir);
  try {
    std::error_code ec;
    std::filesystem::create_directories(o.dir, ec);
    if (ec) throw tools::WriteError("the directory " + o.dir, ec.message());
    std::vector<std::unique_ptr<tools::ReplacingFile>> files;
    const auto read_only =
        o.force ? tools::ReadOnlyFiles::kReplaced : tools::ReadOnlyFiles::kRefused;
    for (const kelvaro::Table* table : tidy::tables_of(report, o.replicates)) {
      const std::string path = table_path(o, std::string(table->name()));
      files.push_back(std::make_unique<tools::ReplacingFile>(path, path, read_only));
      tidy::write_csv(*files.back(), *table);
    }
    for (auto& file : files) file->commit();
  } catch (const tools::WriteError&) {
    std::error_code ignored;  // a folder that is not empty stays
    for (const std::filesystem::path& folder : made) std::filesystem::remove(folder, ignored);
    throw;
  }
}

void write_output(const Options& o, const tidy::Report& report) {
  if (!o.dir.empty()) {
    write_dir(o, report);
    return;
  }
  tools::StandardOutput out(o.json ? "the JSON document" : "the table");
  if (o.json) {
    tidy::write_json(out, report, o.replicates);
  } else {
    const std::string name = !o.table.empty() ? o.table
                             : o.replicates   ? "replicates"
                                              : "parameters";
    if (const kelvaro::Table* table = tidy::find_table(report, name)) {
      tidy::write_csv(out, *table);
    } else {
      const kelvaro::ResultCurves curves = tidy::report_curves(report);
      for (const kelvaro::CurveWarning& w : curves.warnings) {
        std::cerr << "kelvaro-tidy: warning: " << w.block << ": " << w.text << "\n";
      }
      tidy::write_csv(out, name == "curves" ? kelvaro::curves_table(curves)
                                            : kelvaro::standardised_table(curves));
    }
  }
  out.finish();
}

// The refusal of a report, after the program's name and the input's.
std::string refusal(const tidy::ReportError& e) {
  return e.kind() == tidy::ReportError::Kind::kUnexpected
             ? std::string("not a kelvaro report as expected: ") + e.what() +
                   " (kelvaro-tidy reads reports exactly as kelvaro writes them: give it "
                   "kelvaro's output, unedited)"
             : e.what();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Reads a kelvaro report and writes its results as CSV tables or JSON.",
               "kelvaro-tidy"};
  tools::reserve_standard_streams();
  kelvaro::cli::write_errors_for_file_size_limit();
  Options o;
  define_options(app, o);
  if (const auto status = tools::parse_command_line(app, argc, argv)) return *status;
  tools::remove_temporaries_on_stop_signals();
  if (const auto problem = overwrites_input(o)) {
    tools::print_error(app, *problem);
    return tools::kRefused;
  }
  std::optional<tidy::Report> report;
  try {
    tools::FileSource source(o.report);
    try {
      report.emplace(tidy::parse_report(source));
    } catch (const tidy::ReportError& e) {
      tools::print_error(app, source.name() + ": " + refusal(e));
      return tools::kRefused;
    }
  } catch (const tools::ReadError& e) {
    tools::print_error(app, e.what());
    return tools::kRefused;
  }
  try {
    write_output(o, *report);
  } catch (const tools::WriteError& e) {
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  }
  return 0;
}
