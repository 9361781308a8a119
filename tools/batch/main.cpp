// kelvaro-batch: every pair of samples of every group of a survey's long table (or of a Darwin
// Core archive read as one), each analysed as kelvaro-prep and kelvaro would, on several threads,
// into one directory of tables.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "common/archive_input.h"
#include "common/command_line.h"
#include "kelvaro/batch.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/command_line.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/darwin_core_files.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/surveys.h"
#include "progress_meter.h"

namespace {

namespace batch = kelvaro::batch;
namespace csv = kelvaro::csv;
namespace tools = kelvaro::tools;

constexpr std::int32_t kMaxReplicates = 10000;  // rows of kelvaro's bootstrap table
constexpr int kMaxThreads = 1024;               // a bound on typing slips, not on machines

// Set by SIGINT, SIGTERM, SIGHUP and SIGQUIT: the batch stops between pairs and removes what it
// wrote.
std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;
extern "C" void request_stop(int signal) {
  g_signal = signal;
  g_stop = true;
}

struct Options {
  std::string records;
  // The rule, the table's separator, the shard and the range adjustment are set by misuse()
  // from the options below; request.pairs_file holds --pairs, a rule's name or a file.
  batch::BatchRequest request;
  std::string separator;
  bool no_range_adjust = false;
  std::string shard;
  bool quiet = false;
  tools::ArchiveFlags archive_flags;
  bool archive = false;  // the records are a Darwin Core archive
};

void define_options(CLI::App& app, Options& o) {
  batch::BatchRequest& r = o.request;
  app.add_option("records", o.records,
                 "the long table: one row per detection, with columns group, sample, site and "
                 "species (any order and case; other columns ignored); at most " +
                     std::to_string(kelvaro::prep::kMaxSites) +
                     " sites per sample (a pair with more goes to problems.csv); or a Darwin Core "
                     "archive (a zip, or a folder of its files)")
      ->required()
      ->type_name("RECORDS.csv");
  app.add_option("-o,--output", r.output,
                 "the output directory (made when missing): parameters.csv, blocks.csv, "
                 "tests.csv, estimators.csv, problems.csv, curves.csv with --curves and reports/ "
                 "with --reports")
      ->required()
      ->check(tools::non_empty_name())
      ->type_name("DIR");
  app.add_option("--pairs", r.pairs_file,
                 "consecutive (each sample with the next), all (every pair, earlier first), "
                 "first (the first with every later one), or a CSV file with columns "
                 "group,sample1,sample2")
      ->default_val("consecutive")
      ->type_name("RULE|FILE");
  tools::add_sample_order_option(
      app, r.sample_order,
      "natural (numbers in labels as numbers: week 8 before week 12, 2019-9-30 before "
      "2019-10-01) or file (the order in which the labels first appear): which samples follow "
      "one another, and the order of the rows");
  app.add_option("--group", r.table.columns.group,
                 "the group column (a route, a site, a plot; archive: the term, default "
                 "locationID); \"\" for a table without one: one group")
      ->default_val("group")
      ->type_name("COL");
  app.add_option("--sample", r.table.columns.sample,
                 "the sample column (a year, a visit; archive: the term, default year)")
      ->default_val("sample")
      ->type_name("COL");
  app.add_option("--site", r.table.columns.site,
                 "the site column (a stop, a section, a trap; archive: the term, default "
                 "eventID)")
      ->default_val("site")
      ->type_name("COL");
  app.add_option("--species", r.table.columns.species,
                 "the species column (archive: the term, default scientificName)")
      ->default_val("species")
      ->type_name("COL");
  app.add_option("--count", r.table.columns.count,
                 "the column that says whether the species was detected (0, empty, FALSE: "
                 "not detected, but the site was visited; default: a column count, detected or "
                 "abundance; archive: individualCount, then organismQuantity, then "
                 "occurrenceStatus)")
      ->type_name("COL");
  tools::add_archive_options(app, o.archive_flags);
  tools::add_whole_number_option(app, "--nreps", "--nreps", r.analysis.replicates, 0,
                                 kMaxReplicates, "bootstrap iterations of every pair")
      ->default_str("50");
  tools::add_whole_number_option(app, "--seed", "--seed", r.analysis.seed,
                                 std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max(),
                                 "seed number of every pair, so that each pair's numbers equal "
                                 "those of a single run (0 is refused: a batch must be "
                                 "repeatable)")
      ->default_str("400");
  app.add_flag("--no-range-adjust", o.no_range_adjust,
               "switch off the range adjustment of the bootstrap parameters");
  app.add_flag("--curves", r.analysis.curves,
               "also write curves.csv: each pair's two samples' richness by number of sites, "
               "interpolated, observed and extrapolated to twice their sites, with 95% intervals "
               "and coverage (large: 2T rows per sample)");
  app.add_flag("--reports", r.analysis.reports,
               "also write every pair's report to DIR/reports/<group>/<sample1>-<sample2>.txt");
  r.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  tools::add_whole_number_option(app, "--threads", "--threads", r.threads, 1, kMaxThreads,
                                 "pairs analysed at once (default: the machine's cores)")
      ->default_str(std::to_string(r.threads));
  tools::add_whole_number_option(app, "--max-pairs", "--max-pairs", r.max_pairs, std::uint64_t{1},
                                 std::numeric_limits<std::uint64_t>::max(),
                                 "refuse a batch of more pairs than this, before any analysis "
                                 "(its pairs are counted first)")
      ->default_str(std::to_string(r.max_pairs))
      ->type_name("N");
  app.add_option("--shard", o.shard,
                 "analyse only the K-th (from 0) of N contiguous slices of the sorted group "
                 "list; the shards' tables put one after another are the whole batch's")
      ->type_name("K/N");
  app.add_flag("-q,--quiet", o.quiet, "no progress, summary or warnings on standard error");
  tools::add_table_reading_options(app, o.separator, r.table.na_absent, r.table.fold_case);
  app.set_version_flag("-V,--version", std::string("kelvaro-batch ") + KELVARO_VERSION);
  app.footer(
      "Exit status: 0 when every table was written (pairs listed in problems.csv included), 1 "
      "when something could not be written, 2 when the command line or the input was refused. "
      "Interrupted, nothing is written.");
}

// What is wrong with the options as a whole, before anything is read; nullopt when nothing.
std::optional<std::string> misuse(const CLI::App& app, Options& o) {
  batch::BatchRequest& r = o.request;
  if (r.analysis.seed == 0) {
    return "--seed 0 would take each pair's seed from the clock, and a batch must be "
           "repeatable: give a non-zero seed (the default is 400)";
  }
  if (auto problem = csv::read_separator_option(o.separator, r.table.separator)) return problem;
  if (!o.shard.empty()) {
    r.shard = batch::parse_shard(o.shard);
    if (!r.shard) {
      return "--shard " + tools::quoted_excerpt(o.shard) +
             ": give K/N, the K-th of N slices counted from 0 (--shard 0/4 ... --shard 3/4)";
    }
  }
  const std::pair<const char*, batch::PairRule> rules[] = {
      {"consecutive", batch::PairRule::kConsecutive},
      {"all", batch::PairRule::kAll},
      {"first", batch::PairRule::kFirst}};
  for (const auto& [name, rule] : rules) {
    if (r.pairs_file == name) r.rule = rule;
  }
  std::vector<std::string> tables = batch::batch_table_paths(r.output);
  if (r.analysis.curves) tables.push_back(batch::curves_table_path(r.output));
  for (const std::string& table : tables) {
    for (const std::string* input : {&o.records, &r.pairs_file}) {
      if (tools::same_file(table, *input)) {
        return "-o " + r.output + ": " + table + " is the input file " + *input +
               "; choose another output directory";
      }
    }
  }
  r.analysis.range_adjustment = !o.no_range_adjust;
  o.archive = kelvaro::dwc::is_archive_path(o.records);
  return tools::archive_misuse(app, o.records, o.archive);
}

void warn_about_variants(const CLI::App& app, const batch::BatchSummary& summary) {
  const auto& variants = summary.variants;
  if (variants.empty()) return;
  const auto& [kind, v] = variants.front();
  tools::print_error(
      app, "warning: " + std::to_string(variants.size()) +
               " pair(s) of species or site names differ only in case or blanks around them and "
               "count as different names, such as " +
               kind + " " + tools::quoted_excerpt(v.first) + " (" + v.first_place + ") and " +
               tools::quoted_excerpt(v.other) + " (" + v.other_place +
               "); give --fold-case to take them as one");
}

void warn_about_same_numbers(const CLI::App& app, const batch::BatchSummary& summary) {
  const auto& same = summary.same_number_samples;
  if (same.empty()) return;
  tools::print_error(
      app, "warning: " + std::to_string(same.size()) +
               " sample label(s) are the same number as another written differently and count "
               "as different samples, such as " +
               tools::quoted_excerpt(same.front().first) + " and " +
               tools::quoted_excerpt(same.front().second) + "; write them alike if they are one");
}

std::string summary_line(const Options& o, const batch::BatchSummary& s, double seconds) {
  std::string text = std::to_string(s.pairs) + " pair(s) in " + batch::rough_duration(seconds);
  if (seconds >= 1.0 && s.pairs > 0) {  // a rate from less than a second's work says nothing
    text += " (" + batch::rough_number(static_cast<double>(s.pairs) / seconds) + " pairs/s)";
  }
  text += ": " + std::to_string(s.analysed) + " analysed";
  if (s.not_analysed > 0) text += ", " + std::to_string(s.not_analysed) + " not analysed";
  if (s.warnings > 0) text += ", " + std::to_string(s.warnings) + " warning(s)";
  if (s.not_analysed + s.warnings > 0)
    text += " (" + o.request.output + "/problems.csv lists them)";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Analyses every pair of samples of every group of a long table of detections, as "
      "kelvaro-prep and kelvaro would, and writes the results as tables to a directory.",
      "kelvaro-batch"};
  tools::reserve_standard_streams();
  kelvaro::cli::write_errors_for_file_size_limit();
  Options o;
  define_options(app, o);
  const tools::MissingArguments missing = {
      {"records",
       "give the long table of detections (one row per detection, with columns "
       "group, sample, site and species)"},
      {"--output", "give the output directory with -o DIR"}};
  if (const auto status = tools::parse_command_line(app, argc, argv, missing)) return *status;
  if (const auto problem = misuse(app, o)) {
    tools::print_error(app, *problem);
    return tools::kRefused;
  }
  // KELVARO_ISA asking for a vector path this processor lacks: said once, as kelvaro says it.
  const std::string isa_warning = kelvaro::isa_request_warning(app.get_name().c_str());
  if (!isa_warning.empty() && !o.quiet) std::cerr << isa_warning << std::endl;
  kelvaro::cli::on_stop_signals(request_stop);
  batch::ProgressMeter meter(STDERR_FILENO, ::isatty(STDERR_FILENO) == 1, !o.quiet);
  batch::BatchSummary summary;
  std::string citation;
  try {
    std::optional<kelvaro::dwc::DarwinCoreTable> archive;
    std::unique_ptr<tools::ByteSource> records;
    if (o.archive) {
      const auto go_on = [&](std::uint64_t rows) {
        meter.reading(o.records, rows);
        return !g_stop;
      };
      archive = tools::read_archive(
          o.records, tools::archive_options(app, o.request.table.columns, o.archive_flags), go_on);
      if (!archive) {
        meter.erase();
        tools::print_error(app, "interrupted: nothing was written to " + o.request.output);
        std::signal(g_signal, SIG_DFL);
        std::raise(g_signal);
        return tools::kWriteFailed;
      }
      if (!o.quiet) tools::print_archive_warnings(app, *archive);
      records = std::make_unique<kelvaro::dwc::LongTableSource>(*archive);
      o.request.table = kelvaro::dwc::long_table_options(o.request.table.fold_case);
      o.request.source = kelvaro::dwc::source_json(*archive);
      citation = kelvaro::dwc::citation_line(archive->citation());
    } else {
      records = std::make_unique<tools::FileSource>(o.records);
    }
    batch::BatchProgress progress;
    progress.reading = [&](std::uint64_t n) { meter.reading(records->name(), n); };
    progress.writing = [&](std::uint64_t done, std::uint64_t total) { meter.update(done, total); };
    progress.threads_short = [&](int asked, int used) {
      meter.erase();
      tools::print_error(app, kelvaro::threads_short_text(asked, used, "the batch"));
    };
    summary = batch::run_batch(*records, o.request, progress, g_stop);
  } catch (const tools::WriteError& e) {
    meter.erase();
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  } catch (const batch::OutOfMemory& e) {  // what was written is removed
    meter.erase();
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  } catch (const std::runtime_error& e) {  // InputError, ReadError, TooManyPairs, FolderRefused
    meter.erase();
    tools::print_error(app, e.what());
    return tools::kRefused;
  } catch (const std::exception& e) {  // what was written is removed
    meter.erase();
    tools::print_error(app, std::string("the batch failed: ") + e.what());
    return tools::kWriteFailed;
  }
  meter.erase();
  if (!summary.complete) {  // stopped by a signal: end as that signal would have ended it
    tools::print_error(app, "interrupted: nothing was written to " + o.request.output);
    std::signal(g_signal, SIG_DFL);
    std::raise(g_signal);
    return tools::kWriteFailed;
  }
  if (!o.quiet) {
    warn_about_variants(app, summary);
    warn_about_same_numbers(app, summary);
    if (summary.pairs == 0) {
      tools::print_error(app,
                         "warning: no pairs to analyse (every group has fewer than two "
                         "samples, or the shard holds no group with pairs)");
    }
    tools::print_error(app, summary_line(o, summary, meter.seconds()));
    if (!citation.empty()) {
      tools::print_error(app, citation + " (" + o.request.output + "/source.json)");
    }
  }
  return 0;
}
