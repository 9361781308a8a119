// kelvaro-prep: builds a kelvaro input from detection data and writes it to standard output.
// Two site-by-species CSV files (one per sample), or one long CSV of sample,site,species records.

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "prep/audit.h"
#include "prep/blocks.h"
#include "prep/detections.h"
#include "prep/input_error.h"
#include "prep/input_writer.h"

namespace {

namespace prep = kelvaro::prep;

constexpr int kRefused = 2;                     // exit status for refused input, as kelvaro's own
constexpr std::int32_t kMaxReplicates = 10000;  // rows of kelvaro's bootstrap table

struct Options {
  std::vector<std::string> files;
  prep::RunSettings settings;
  bool no_range_adjust = false;
  std::string audit;
  std::string first;
};

void define_options(CLI::App& app, Options& o) {
  app.add_option("files", o.files,
                 "two site-by-species CSV files (Sample 1, Sample 2), or one long CSV with "
                 "columns sample,site,species")
      ->required()
      ->expected(1, 2)
      ->type_name("CSV");
  app.add_option("--nreps", o.settings.nreps,
                 "bootstrap iterations; negative asks kelvaro for the detail lines")
      ->default_val(50)
      ->check(CLI::Range(-kMaxReplicates, kMaxReplicates));
  app.add_option("--seed", o.settings.seed,
                 "seed number; 0 takes the seed from the clock (the run cannot be repeated)")
      ->default_val(400);
  app.add_flag("--no-range-adjust", o.no_range_adjust,
               "switch off kelvaro's range adjustment of the bootstrap parameters");
  app.add_option("--audit", o.audit, "also write a CSV with one row per species to this file")
      ->type_name("FILE");
  app.add_option("--first", o.first, "long table: the sample label that is Sample 1")
      ->type_name("LABEL");
  app.set_version_flag("--version", std::string("kelvaro-prep ") + KELVARO_VERSION);
}

std::pair<prep::Sample, prep::Sample> load(const Options& o) {
  if (o.files.size() == 2) {
    return {prep::load_wide(prep::read_csv_file(o.files[0]), o.files[0]),
            prep::load_wide(prep::read_csv_file(o.files[1]), o.files[1])};
  }
  const std::optional<std::string> first =
      o.first.empty() ? std::nullopt : std::optional<std::string>(o.first);
  return prep::load_long(prep::read_csv_file(o.files[0]), o.files[0], first);
}

// Writes the audit table; false (with a message) when the file cannot be written.
bool write_audit_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.flush();
  if (out) return true;
  std::cerr << "kelvaro-prep: " << path << ": cannot write the audit file\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Builds a kelvaro input from detection data and writes it to standard output.",
               "kelvaro-prep"};
  Options o;
  define_options(app, o);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : kRefused;
  }
  if (!o.first.empty() && o.files.size() == 2) {
    std::cerr << "kelvaro-prep: --first applies to a long table (one file) only\n";
    return kRefused;
  }
  o.settings.range_adjust = !o.no_range_adjust;
  try {
    const auto [s1, s2] = load(o);
    const std::string input = prep::kelvaro_input(prep::derive_blocks(s1, s2), o.settings);
    if (!o.audit.empty()) {
      std::ostringstream audit;
      prep::write_audit(audit, prep::audit_rows(s1, s2));
      if (!write_audit_file(o.audit, audit.str())) return kRefused;
    }
    if (o.settings.seed == 0) {
      std::cerr << "kelvaro-prep: seed 0: kelvaro will take its seed from the clock, so this run "
                   "cannot be repeated\n";
    }
    std::cout << input << std::flush;
  } catch (const prep::InputError& e) {
    std::cerr << "kelvaro-prep: " << e.what() << '\n';
    return kRefused;
  }
  return std::cout ? 0 : 1;
}
