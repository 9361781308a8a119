// kelvaro-batch in process on a simulated monitoring scheme (bench/make_survey.py, fixed seed),
// to see where a batch's time goes:
//   scan             a bare scan of the table's bytes for line ends and separators (a count of
//                    each; what any reader must at least do), the yardstick of reading;
//   records/threads:N  the long-table reader alone on N threads: every row split and checked,
//                    its labels interned, the records handed over in file order;
//   batch_read/threads:N  the long table read into its compact form on N threads, from its
//                    file mapped as the program maps it (in the page cache: no disk);
//   batch_analysis   the analysis itself: run_survey on every pair's input, built beforehand,
//                    on one thread;
//   batch/threads:N  the whole batch, reading (the file, mapped), analysis, rows and tables
//                    (written to a temporary directory), on N threads, 60 bootstrap replicates per
//                    pair;
//   batch_sorted/threads:1  the same on a second table, the same rows sorted (if given).
// After the table it prints the share of a one-thread batch spent outside the analysis
// (reading, grouping, writing), the speed-up of 2 threads over 1, reading's speed against the
// bare scan, and the first table's time against the sorted one's, from the shortest wall-clock
// times; then from processor times (firmer on a busy machine) the records against the scan,
// the first table against the sorted one, and with 2 threads the calling thread's share, which
// bounds the speed-up on two free cores.
//
//   python3 bench/make_survey.py --routes 500 --shuffle > survey.csv
//   python3 bench/make_survey.py --routes 500 > sorted.csv
//   batch_bench survey.csv [sorted.csv] [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "field_tables/parallel_long_table.h"
#include "kelvaro/batch.h"
#include "kelvaro/byte_source.h"
#include "surveys/detection_table.h"
#include "surveys/pairing.h"

namespace {

namespace batch = kelvaro::batch;
namespace tools = kelvaro::tools;

std::string g_survey;                      // the table's text
std::string g_sorted;                      // the same rows sorted (empty: not given)
std::string g_survey_path, g_sorted_path;  // their files

// The scheme's own column names, as make_survey.py writes them.
kelvaro::csv::LongTableOptions table_options() {
  kelvaro::csv::LongTableOptions o;
  o.columns = {"RouteID", "Year", "Stop", "AOU", "SpeciesTotal"};
  return o;
}

// The processor time of the calling thread, in seconds.
double thread_seconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Scratch {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("batch_bench." + std::to_string(::getpid()));
  ~Scratch() { std::filesystem::remove_all(dir); }
};

void BM_Scan(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t line_ends = 0, separators = 0;
    for (const char c : g_survey) {
      line_ends += c == '\n';
      separators += c == ',';
    }
    benchmark::DoNotOptimize(line_ends);
    benchmark::DoNotOptimize(separators);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_survey.size()));
}

void BM_Read(benchmark::State& state) {
  std::uint64_t records = 0;
  for (auto _ : state) {
    tools::FileSource source(g_survey_path);  // mapped, as the program reads a file
    batch::SurveyLabels labels;
    batch::DetectionTable table(source, table_options(), labels,
                                static_cast<unsigned>(state.range(0)));
    table.read({});
    records = table.records();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_survey.size()));
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// The records alone: the long-table reader's records and labels, without the compact table.
void BM_Records(benchmark::State& state) {
  std::uint64_t records = 0;
  for (auto _ : state) {
    tools::ViewSource source(g_survey, "survey.csv");
    kelvaro::csv::LongTableReader reader(source, table_options());
    kelvaro::csv::ParallelLongTable table(reader, source, g_survey.size(),
                                          static_cast<unsigned>(state.range(0)));
    records = 0;
    table.read([&](std::vector<kelvaro::csv::LongRecord>& part) {
      records += part.size();
      return true;
    });
    benchmark::DoNotOptimize(records);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_survey.size()));
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_Analysis(benchmark::State& state) {
  tools::ViewSource source(g_survey, "survey.csv");
  batch::SurveyLabels labels;
  batch::DetectionTable table(source, table_options(), labels);
  table.read({});
  const batch::LabelRanks ranks = batch::ranks_of(labels);
  std::vector<batch::SamplePair> pairs =
      batch::pairs_by_rule(table, labels, batch::PairRule::kConsecutive, ranks);
  batch::AnalysisSettings settings;
  batch::PairAnalyst analyst(settings);
  std::vector<kelvaro::Survey> surveys;
  for (const batch::SamplePair& p : pairs) {
    const batch::GroupSample* a = table.find(p.group, p.sample1);
    const batch::GroupSample* b = table.find(p.group, p.sample2);
    if (a->has_detection() && b->has_detection()) surveys.push_back(analyst.survey(*a, *b));
  }
  const kelvaro::Options options{settings.replicates, false, settings.seed, true};
  for (auto _ : state) {
    for (const kelvaro::Survey& s : surveys) {
      benchmark::DoNotOptimize(kelvaro::run_survey(s, options).status);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(surveys.size()));
}

void run_batches(benchmark::State& state, const std::string& path) {
  const Scratch scratch;
  const std::atomic<bool> stop{false};
  batch::BatchRequest request;
  request.output = scratch.dir.string();
  request.table = table_options();
  request.rule = batch::PairRule::kConsecutive;
  request.threads = static_cast<int>(state.range(0));
  request.analysis.replicates = 60;
  batch::BatchSummary summary;
  double caller = 0.0;  // the calling thread's processor time
  for (auto _ : state) {
    tools::FileSource source(path);
    const double before = thread_seconds();
    summary = batch::run_batch(source, request, {}, stop);
    caller += thread_seconds() - before;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(summary.pairs));
  state.counters["caller_s"] = caller / static_cast<double>(state.iterations());
}

void BM_Batch(benchmark::State& state) { run_batches(state, g_survey_path); }
void BM_BatchSorted(benchmark::State& state) { run_batches(state, g_sorted_path); }

BENCHMARK(BM_Scan)->Name("scan")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Read)
    ->Name("batch_read")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Records)
    ->Name("records")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Analysis)->Name("batch_analysis")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Batch)
    ->Name("batch")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()  // the CPU column: every thread's
    ->UseRealTime();

// Keeps the shortest real time of each case (over --benchmark_repetitions, if given: the run
// least disturbed by other work on the machine) and prints the two ratios after the table.
class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name =
          r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
      const double t = r.GetAdjustedRealTime();
      if (!best_.count(name) || t < best_[name]) best_[name] = t;
      const double cpu = r.GetAdjustedCPUTime();
      if (!cpu_.count(name) || cpu < cpu_[name]) cpu_[name] = cpu;
      const auto caller = r.counters.find("caller_s");
      if (caller != r.counters.end() && (!caller_.count(name) || caller->second < caller_[name])) {
        caller_[name] = caller->second;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double one = best_["batch/threads:1"], two = best_["batch/threads:2"];
    const double scan = best_["scan"], read1 = best_["batch_read/threads:1"],
                 read2 = best_["batch_read/threads:2"];
    const double sorted = best_["batch_sorted/threads:1"];
    const double analysis = best_["batch_analysis"];
    if (one > 0.0 && analysis > 0.0) {
      std::printf("outside the analysis, 1 thread: %.1f%% (shortest runs)\n",
                  100.0 * (one - analysis) / one);
    }
    if (one > 0.0 && two > 0.0) {
      std::printf("2 threads against 1: %.2f times as fast (shortest runs)\n", one / two);
    }
    if (scan > 0.0 && read1 > 0.0 && read2 > 0.0) {
      std::printf("reading against the bare scan: %.0f%% of its speed on 1 thread, %.0f%% on 2\n",
                  100.0 * scan / read1, 100.0 * scan / read2);
    }
    const double records1 = best_["records/threads:1"], records2 = best_["records/threads:2"];
    if (scan > 0.0 && records1 > 0.0 && records2 > 0.0) {
      std::printf(
          "the records alone against the bare scan: %.0f%% of its speed on 1 thread, "
          "%.0f%% on 2\n",
          100.0 * scan / records1, 100.0 * scan / records2);
    }
    if (one > 0.0 && sorted > 0.0) {
      std::printf("this table against the same rows sorted, 1 thread: %.2f times the time\n",
                  one / sorted);
    }
    // Processor times, which a machine busy with other work disturbs far less than wall-clock
    // times: the process's (every thread's), and the calling thread's, which reads and writes
    // while the workers analyse. On two free cores, 2 threads take at least the longer of the
    // calling thread's time and half the process's.
    const double records = cpu_["records/threads:1"], scan_cpu = cpu_["scan"];
    const double one_cpu = cpu_["batch/threads:1"], two_cpu = cpu_["batch/threads:2"];
    const double sorted_cpu = cpu_["batch_sorted/threads:1"];
    const double caller = caller_["batch/threads:2"] * 1e3;
    if (records > 0.0 && scan_cpu > 0.0) {
      std::printf(
          "processor time: the records alone (records/threads:1) %.0f%% of the bare "
          "scan's speed\n",
          100.0 * scan_cpu / records);
    }
    if (one_cpu > 0.0 && two_cpu > 0.0 && caller > 0.0) {
      std::printf(
          "processor time: 2 threads %.0f ms in all, %.0f ms on the calling thread: at "
          "most %.2f times as fast as 1 thread (%.0f ms) on two free cores\n",
          two_cpu, caller, one_cpu / std::max(caller, two_cpu / 2.0), one_cpu);
    }
    if (one_cpu > 0.0 && sorted_cpu > 0.0) {
      std::printf(
          "processor time: this table against the same rows sorted, 1 thread: %.2f "
          "times\n",
          one_cpu / sorted_cpu);
    }
  }

 private:
  std::map<std::string, double> best_, cpu_, caller_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr,
                 "usage: batch_bench SURVEY.csv [SORTED.csv] [benchmark flags] "
                 "(python3 bench/make_survey.py > SURVEY.csv)\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "batch_bench: cannot read %s\n", argv[i]);
      return 2;
    }
    (i == 1 ? g_survey_path : g_sorted_path) = argv[i];
    (i == 1 ? g_survey : g_sorted)
        .assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!g_sorted.empty()) {
    benchmark::RegisterBenchmark("batch_sorted", BM_BatchSorted)
        ->ArgName("threads")
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
  }
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
