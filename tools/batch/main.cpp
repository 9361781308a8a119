// kelvaro-batch: every pair of samples of every group of a survey's long table, each analysed
// as kelvaro-prep and kelvaro would, on several threads, into one directory of tables.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <optional>
#include <string>
#include <thread>

#include "batch/batch_output.h"
#include "batch/batch_run.h"
#include "batch/pairing.h"
#include "batch/progress_meter.h"
#include "common/byte_source.h"
#include "common/command_line.h"
#include "common/message_text.h"
#include "common/output.h"
#include "csv/dialect.h"

namespace {

namespace batch = kelvaro::batch;
namespace csv = kelvaro::csv;
namespace tools = kelvaro::tools;

constexpr std::int32_t kMaxReplicates = 10000;  // rows of kelvaro's bootstrap table
constexpr int kMaxThreads = 1024;               // a bound on typing slips, not on machines

// Set by SIGINT and SIGTERM: the batch stops between pairs and removes what it wrote.
std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;
extern "C" void request_stop(int signal) {
  g_signal = signal;
  g_stop = true;
}

struct Options {
  std::string records;
  std::string output;
  std::string pairs = "consecutive";
  csv::LongTableColumns columns;
  std::string separator;
  bool na_absent = false;
  bool fold_case = false;
  batch::AnalysisSettings analysis;
  bool no_range_adjust = false;
  int threads = 1;
  std::string shard;
  bool quiet = false;
  // Derived from the above.
  std::optional<char> separator_char;
  std::optional<batch::PairRule> rule;  // nullopt: `pairs` names a pairs file
  std::optional<batch::Shard> shard_slice;
};

void define_options(CLI::App& app, Options& o) {
  app.add_option("records", o.records,
                 "the long table: one row per detection, with columns group, sample, site and "
                 "species (any order and case; other columns ignored)")
      ->required()
      ->type_name("RECORDS.csv");
  app.add_option("-o,--output", o.output,
                 "the output directory (made when missing): parameters.csv, blocks.csv, "
                 "tests.csv, problems.csv, and reports/ with --reports")
      ->required()
      ->type_name("DIR");
  app.add_option("--pairs", o.pairs,
                 "consecutive (each sample with the next), all (every pair, earlier first), "
                 "first (the first with every later one), or a CSV file with columns "
                 "group,sample1,sample2")
      ->default_val("consecutive")
      ->type_name("RULE|FILE");
  app.add_option("--group", o.columns.group, "the group column (a route, a site, a plot)")
      ->default_val("group")
      ->type_name("COL");
  app.add_option("--sample", o.columns.sample, "the sample column (a year, a visit)")
      ->default_val("sample")
      ->type_name("COL");
  app.add_option("--site", o.columns.site, "the site column (a stop, a section, a trap)")
      ->default_val("site")
      ->type_name("COL");
  app.add_option("--species", o.columns.species, "the species column")
      ->default_val("species")
      ->type_name("COL");
  app.add_option("--count", o.columns.count,
                 "the column that says whether the species was detected (0, empty, FALSE: "
                 "not detected, but the site was visited; default: a column count, detected or "
                 "abundance)")
      ->type_name("COL");
  app.add_option("--nreps", o.analysis.replicates, "bootstrap iterations of every pair")
      ->default_val(50)
      ->check(CLI::Range(0, kMaxReplicates));
  app.add_option("--seed", o.analysis.seed,
                 "seed number of every pair, so that each pair's numbers equal those of a "
                 "single run (0 is refused: a batch must be repeatable)")
      ->default_val(400);
  app.add_flag("--no-range-adjust", o.no_range_adjust,
               "switch off the range adjustment of the bootstrap parameters");
  app.add_flag("--reports", o.analysis.reports,
               "also write every pair's report to DIR/reports/<group>/<sample1>-<sample2>.txt");
  app.add_option("--threads", o.threads, "pairs analysed at once (default: the machine's cores)")
      ->default_val(std::max(1u, std::thread::hardware_concurrency()))
      ->check(CLI::Range(1, kMaxThreads));
  app.add_option("--shard", o.shard,
                 "analyse only the K-th (from 0) of N contiguous slices of the sorted group "
                 "list; the shards' tables put one after another are the whole batch's")
      ->type_name("K/N");
  app.add_flag("-q,--quiet", o.quiet, "no progress, summary or warnings on standard error");
  app.add_option("--sep", o.separator,
                 "the separator of the CSV files: comma, semicolon or tab (default: found in "
                 "each file's header row)")
      ->type_name("C");
  app.add_flag("--na-absent", o.na_absent, "take NA and NaN counts as not detected");
  app.add_flag("--fold-case", o.fold_case,
               "take species and site names that differ only in case or blanks around them as "
               "one name");
  app.set_version_flag("--version", std::string("kelvaro-batch ") + KELVARO_VERSION);
  app.footer(
      "Exit status: 0 when every table was written (pairs listed in problems.csv included), 1 "
      "when something could not be written, 2 when the command line or the input was refused. "
      "Interrupted, nothing is written.");
}

// What is wrong with the options as a whole, before anything is read; nullopt when nothing.
std::optional<std::string> misuse(Options& o) {
  if (o.analysis.seed == 0) {
    return "--seed 0 would take each pair's seed from the clock, and a batch must be "
           "repeatable: give a non-zero seed (the default is 400)";
  }
  if (!o.separator.empty()) {
    o.separator_char = csv::separator_from_option(o.separator);
    if (!o.separator_char) {
      return "--sep " + tools::quoted_excerpt(o.separator) +
             ": give comma, semicolon or tab (or the character , or ;)";
    }
  }
  if (!o.shard.empty()) {
    o.shard_slice = batch::parse_shard(o.shard);
    if (!o.shard_slice) {
      return "--shard " + tools::quoted_excerpt(o.shard) +
             ": give K/N, the K-th of N slices counted from 0 (--shard 0/4 ... --shard 3/4)";
    }
  }
  const std::pair<const char*, batch::PairRule> rules[] = {
      {"consecutive", batch::PairRule::kConsecutive},
      {"all", batch::PairRule::kAll},
      {"first", batch::PairRule::kFirst}};
  for (const auto& [name, rule] : rules) {
    if (o.pairs == name) o.rule = rule;
  }
  for (const std::string& table : batch::BatchOutput::table_paths(o.output)) {
    for (const std::string* input : {&o.records, &o.pairs}) {
      if (tools::same_file(table, *input)) {
        return "-o " + o.output + ": " + table + " is the input file " + *input +
               "; choose another output directory";
      }
    }
  }
  o.analysis.range_adjustment = !o.no_range_adjust;
  return std::nullopt;
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

std::string summary_line(const Options& o, const batch::BatchSummary& s, double seconds) {
  std::string text = std::to_string(s.pairs) + " pair(s) in " + batch::rough_duration(seconds);
  if (seconds > 0.0 && s.pairs > 0) {
    text += " (" + batch::rough_number(static_cast<double>(s.pairs) / seconds) + " pairs/s)";
  }
  text += ": " + std::to_string(s.analysed) + " analysed";
  if (s.not_analysed > 0) text += ", " + std::to_string(s.not_analysed) + " not analysed";
  if (s.warnings > 0) text += ", " + std::to_string(s.warnings) + " warning(s)";
  if (s.not_analysed + s.warnings > 0) text += " (" + o.output + "/problems.csv lists them)";
  return text;
}

batch::BatchRequest request_of(const Options& o) {
  batch::BatchRequest r;
  r.output = o.output;
  r.table = csv::LongTableOptions{o.columns, o.separator_char, o.na_absent, o.fold_case};
  r.rule = o.rule;
  r.pairs_file = o.pairs;
  r.analysis = o.analysis;
  r.threads = o.threads;
  r.shard = o.shard_slice;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Analyses every pair of samples of every group of a long table of detections, as "
      "kelvaro-prep and kelvaro would, and writes the results as tables to a directory.",
      "kelvaro-batch"};
  tools::reserve_standard_streams();
  Options o;
  define_options(app, o);
  if (const auto status = tools::parse_command_line(app, argc, argv)) return *status;
  if (const auto problem = misuse(o)) {
    tools::print_error(app, *problem);
    return tools::kRefused;
  }
  std::signal(SIGINT, request_stop);
  std::signal(SIGTERM, request_stop);
  batch::ProgressMeter meter(STDERR_FILENO, ::isatty(STDERR_FILENO) == 1, !o.quiet);
  batch::BatchSummary summary;
  try {
    tools::FileSource records(o.records);
    batch::BatchProgress progress;
    progress.reading = [&](std::uint64_t n) { meter.reading(o.records, n); };
    progress.writing = [&](std::uint64_t done, std::uint64_t total) { meter.update(done, total); };
    summary = batch::run_batch(records, request_of(o), progress, g_stop);
  } catch (const tools::WriteError& e) {
    meter.erase();
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  } catch (const std::runtime_error& e) {  // InputError, ReadError: the input is refused
    meter.erase();
    tools::print_error(app, e.what());
    return tools::kRefused;
  } catch (const std::exception& e) {  // out of memory, no thread: what was written is removed
    meter.erase();
    tools::print_error(app, std::string("the batch failed: ") + e.what());
    return tools::kWriteFailed;
  }
  meter.erase();
  if (!summary.complete) {  // stopped by a signal: end as that signal would have ended it
    tools::print_error(app, "interrupted: nothing was written to " + o.output);
    std::signal(g_signal, SIG_DFL);
    std::raise(g_signal);
    return tools::kWriteFailed;
  }
  if (!o.quiet) {
    warn_about_variants(app, summary);
    if (summary.pairs == 0) {
      tools::print_error(app,
                         "warning: no pairs to analyse (every group has fewer than two "
                         "samples, or the shard holds no group with pairs)");
    }
    tools::print_error(app, summary_line(o, summary, meter.seconds()));
  }
  return 0;
}
