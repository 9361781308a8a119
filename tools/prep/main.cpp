// kelvaro-prep: builds a kelvaro input from detection data and writes it to standard output.
// Two site-by-species CSV files (one per sample), one long CSV of sample,site,species records, or
// a Darwin Core archive (a zip, or a folder of its files).

#include <CLI/CLI.hpp>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/archive_input.h"
#include "common/command_line.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/darwin_core_files.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

namespace {

namespace prep = kelvaro::prep;
namespace tools = kelvaro::tools;

constexpr std::int32_t kMaxReplicates = 10000;  // rows of kelvaro's bootstrap table
constexpr std::size_t kWarningsShown = 10;      // name warnings beyond these are only counted

struct Options {
  std::vector<std::string> files;
  prep::RunSettings settings;
  bool no_range_adjust = false;
  std::string audit;
  bool force = false;
  std::string first;
  std::string second;
  std::string separator;
  tools::ArchiveFlags archive_flags;
  bool archive = false;  // the one input is a Darwin Core archive
  prep::TableOptions table;
  kelvaro::csv::LongTableColumns columns;
};

void define_options(CLI::App& app, Options& o) {
  app.add_option("files", o.files,
                 "two site-by-species CSV files (Sample 1, Sample 2), one long CSV with "
                 "columns sample,site,species, or a Darwin Core archive (a zip, or a folder); at "
                 "most " +
                     std::to_string(prep::kMaxSites) + " sites per sample")
      ->required()
      ->expected(1, 2)
      ->type_name("CSV");
  tools::add_whole_number_option(app, "--nreps", "--nreps", o.settings.nreps, -kMaxReplicates,
                                 kMaxReplicates,
                                 "bootstrap iterations; negative asks kelvaro for the detail lines")
      ->default_str("50");
  tools::add_whole_number_option(
      app, "--seed", "--seed", o.settings.seed, std::numeric_limits<std::int32_t>::min(),
      std::numeric_limits<std::int32_t>::max(),
      "seed number; 0 takes the seed from the clock (the run cannot be repeated)")
      ->default_str("400");
  app.add_flag("--no-range-adjust", o.no_range_adjust,
               "switch off kelvaro's range adjustment of the bootstrap parameters");
  app.add_option("--audit", o.audit,
                 "also write a CSV with one row per species, and how the tables were read, to "
                 "this file")
      ->check(tools::non_empty_name())
      ->type_name("FILE");
  app.add_flag("--force", o.force, "replace a read-only --audit file too (keeping its mode)");
  tools::add_table_reading_options(app, o.separator, o.table.na_absent, o.table.fold_case);
  app.add_option("--first", o.first, "long table: the sample label that is Sample 1")
      ->type_name("LABEL");
  app.add_option("--second", o.second,
                 "long table: with --first, the sample label that is Sample 2 (rows of other "
                 "samples are left out)")
      ->type_name("LABEL");
  tools::add_sample_order_option(
      app, o.table.sample_order,
      "long table without --first: Sample 1 is the label that appears first (file, the "
      "default) or the one first in natural order (natural: numbers in labels as numbers, week "
      "8 before week 12)");
  app.add_option("--count", o.columns.count,
                 "long table: the column that says whether the species was detected (0, empty, "
                 "FALSE: not detected; default: a column count, detected or abundance)")
      ->type_name("COL");
  app.add_option("--sample", o.columns.sample,
                 "long table: the sample column (archive: the sample's term, default year)")
      ->default_val("sample")
      ->type_name("COL");
  app.add_option("--site", o.columns.site,
                 "long table: the site column (archive: the site's term, default eventID)")
      ->default_val("site")
      ->type_name("COL");
  app.add_option("--species", o.columns.species,
                 "long table: the species column (archive: the species' term, default "
                 "scientificName)")
      ->default_val("species")
      ->type_name("COL");
  tools::add_archive_options(app, o.archive_flags);
  app.set_version_flag("-V,--version", std::string("kelvaro-prep ") + KELVARO_VERSION);
}

// What is wrong with the options as a whole, before anything is read; nullopt when nothing.
std::optional<std::string> misuse(const CLI::App& app, Options& o) {
  if (o.files.size() == 2) {
    for (const char* option : {"--first", "--second", "--sample-order", "--count", "--sample",
                               "--site", "--species", "--taxon-id", "--species-rank-only"}) {
      if (app.count(option) > 0) {
        return std::string(option) + " applies to a long table (one file) only";
      }
    }
  }
  if (!o.second.empty() && o.first.empty()) {
    return "--second names Sample 2 beside --first: give both (--first 2019 --second 2020)";
  }
  if (!o.second.empty() && o.second == o.first) {
    return "--first and --second name the same sample " + tools::quoted_excerpt(o.first) +
           ": kelvaro-prep compares two different samples";
  }
  if (o.files.size() == 1) {
    o.archive = kelvaro::dwc::is_archive_path(o.files[0]);
    if (auto problem = tools::archive_misuse(app, o.files[0], o.archive)) return problem;
  }
  if (auto problem = kelvaro::csv::read_separator_option(o.separator, o.table.separator)) {
    return problem;
  }
  for (const std::string& file : o.files) {
    if (!o.audit.empty() && tools::same_file(o.audit, file)) {
      return "--audit " + o.audit + " names the input file " + file +
             ": choose another name for the audit file";
    }
  }
  return std::nullopt;
}

std::optional<std::string> given(const std::string& label) {
  return label.empty() ? std::nullopt : std::optional<std::string>(label);
}

prep::Survey load(const CLI::App& app, const Options& o) {
  if (o.files.size() == 2) {
    tools::FileSource first(o.files[0]), second(o.files[1]);
    return prep::load_wide_pair(first, second, o.table);
  }
  if (o.archive) {
    const kelvaro::dwc::ArchiveOptions options =
        tools::archive_options(app, o.columns, o.archive_flags);
    std::optional<kelvaro::dwc::DarwinCoreTable> table =
        tools::read_archive(o.files[0], options, {});
    prep::Survey survey = prep::load_darwin_core(*table, o.table, given(o.first), given(o.second));
    const std::string citation = kelvaro::dwc::citation_line(table->citation());
    if (!citation.empty()) tools::print_error(app, citation);
    return survey;
  }
  tools::FileSource table(o.files[0]);
  return prep::load_long(table, o.table, o.columns, given(o.first), given(o.second));
}

void warn_about_variants(const CLI::App& app, const prep::Survey& survey) {
  if (survey.species.folds()) return;  // merged as asked; the audit file lists them
  std::vector<std::pair<std::string, const kelvaro::csv::NameVariant*>> variants;
  for (const auto& v : survey.species.variants()) variants.emplace_back("species", &v);
  for (const auto& v : survey.site_variants) variants.emplace_back("site", &v);
  for (std::size_t i = 0; i < variants.size() && i < kWarningsShown; ++i) {
    const auto& [kind, v] = variants[i];
    tools::print_error(app, "warning: " + kind + " " + tools::quoted_excerpt(v->first) + " (" +
                                v->first_place + ") and " + tools::quoted_excerpt(v->other) + " (" +
                                v->other_place +
                                ") differ only in case or blanks around them and count as two; "
                                "give --fold-case to take them as one");
  }
  if (variants.size() > kWarningsShown) {
    tools::print_error(app, "warning: " + std::to_string(variants.size() - kWarningsShown) +
                                " more such pairs of names (--audit lists them all)");
  }
}

void warn(const CLI::App& app, const Options& o, const prep::Survey& survey) {
  warn_about_variants(app, survey);
  for (const std::string& w : survey.table_warnings) tools::print_error(app, "warning: " + w);
  for (const kelvaro::Warning& w : prep::survey_warnings(survey)) {
    tools::print_error(app, "warning: " + w.block + ": " + w.text);
  }
  if (o.settings.seed == 0) {
    tools::print_error(app,
                       "seed 0: kelvaro will take its seed from the clock, so this run "
                       "cannot be repeated");
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Builds a kelvaro input from detection data and writes it to standard output.",
               "kelvaro-prep"};
  tools::reserve_standard_streams();
  kelvaro::cli::write_errors_for_file_size_limit();
  Options o;
  define_options(app, o);
  const tools::MissingArguments missing = {
      {"files",
       "give two site-by-species CSV files, or one long CSV of sample,site,species "
       "records"}};
  if (const auto status = tools::parse_command_line(app, argc, argv, missing)) return *status;
  tools::remove_temporaries_on_stop_signals();
  if (const auto problem = misuse(app, o)) {
    tools::print_error(app, *problem);
    return tools::kRefused;
  }
  o.settings.range_adjust = !o.no_range_adjust;
  try {
    std::optional<tools::ReplacingFile> audit;
    if (!o.audit.empty()) {
      audit.emplace(o.audit, "the audit file " + o.audit,
                    o.force ? tools::ReadOnlyFiles::kReplaced : tools::ReadOnlyFiles::kRefused);
    }
    std::optional<prep::Survey> survey;
    try {
      survey.emplace(load(app, o));
    } catch (const prep::UsageError& e) {
      std::cerr << e.what() << std::endl;
      return tools::kRefused;
    } catch (const std::runtime_error& e) {  // InputError, ReadError
      tools::print_error(app, e.what());
      return tools::kRefused;
    }
    warn(app, o, *survey);
    const std::string input = prep::kelvaro_input(prep::derive_blocks(*survey), o.settings);
    if (audit) write_audit([&](std::string_view text) { audit->write(text); }, *survey);
    tools::StandardOutput out("the kelvaro input");
    out.write(input);
    out.finish();
    if (audit) audit->commit();
  } catch (const tools::WriteError& e) {
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  }
  return 0;
}
