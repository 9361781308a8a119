// kelvaro-batch in process on a simulated monitoring scheme (bench/make_survey.py, fixed seed),
// to see where a batch's time goes:
//   batch_read       the long table read into its compact form (held in memory: no disk);
//   batch_analysis   the analysis itself: run_survey on every pair's input, built beforehand,
//                    on one thread;
//   batch/threads:N  the whole batch, reading, analysis, rows and tables (written to a
//                    temporary directory), on N threads.
// After the table it prints the share of a one-thread batch spent outside the analysis
// (reading, grouping, writing), and the speed-up of 2 threads over 1.
//
//   python3 bench/make_survey.py --routes 500 > survey.csv
//   batch_bench survey.csv [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "batch/detection_table.h"
#include "batch/pairing.h"
#include "common/byte_source.h"

namespace {

namespace batch = kelvaro::batch;
namespace tools = kelvaro::tools;

std::string g_survey;  // the table's text

// The scheme's own column names, as make_survey.py writes them.
kelvaro::csv::LongTableOptions table_options() {
  kelvaro::csv::LongTableOptions o;
  o.columns = {"RouteID", "Year", "Stop", "AOU", "SpeciesTotal"};
  return o;
}

tools::TextSource survey_source() { return tools::TextSource(g_survey, "survey.csv"); }

struct Scratch {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("batch_bench." + std::to_string(::getpid()));
  ~Scratch() { std::filesystem::remove_all(dir); }
};

void BM_Read(benchmark::State& state) {
  std::uint64_t records = 0;
  for (auto _ : state) {
    tools::TextSource source = survey_source();
    batch::SurveyLabels labels;
    batch::DetectionTable table(source, table_options(), labels);
    table.read({});
    records = table.records();
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_Analysis(benchmark::State& state) {
  tools::TextSource source = survey_source();
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

void BM_Batch(benchmark::State& state) {
  const Scratch scratch;
  const std::atomic<bool> stop{false};
  batch::BatchRequest request;
  request.output = scratch.dir.string();
  request.table = table_options();
  request.rule = batch::PairRule::kConsecutive;
  request.threads = static_cast<int>(state.range(0));
  batch::BatchSummary summary;
  for (auto _ : state) {
    tools::TextSource source = survey_source();
    summary = batch::run_batch(source, request, {}, stop);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(summary.pairs));
}

BENCHMARK(BM_Read)->Name("batch_read")->Unit(benchmark::kMillisecond)->UseRealTime();
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
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double one = best_["batch/threads:1"], two = best_["batch/threads:2"];
    const double analysis = best_["batch_analysis"];
    if (one > 0.0 && analysis > 0.0) {
      std::printf("outside the analysis, 1 thread: %.1f%% (shortest runs)\n",
                  100.0 * (one - analysis) / one);
    }
    if (one > 0.0 && two > 0.0) {
      std::printf("2 threads against 1: %.2f times as fast (shortest runs)\n", one / two);
    }
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr,
                 "usage: batch_bench SURVEY.csv [benchmark flags] "
                 "(python3 bench/make_survey.py > SURVEY.csv)\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "batch_bench: cannot read %s\n", argv[1]);
    return 2;
  }
  g_survey.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
