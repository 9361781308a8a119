// Time per run of the whole program on the bench inputs, against the floor of a run: its uniform
// stream alone. Cases:
//   typical  two samples, t = 12, about 40 species each, 50 replicates (in process);
//   typical_process  the same input through the kelvaro executable, start-up and exit included;
//   large    t = 50, about 500 species per sample, strong heterogeneity, 1000 replicates;
//   heavy    t = 98, about 2000 species per sample, 10000 replicates, long power sums;
//   stream   as many draws as heavy makes, from the generator's kernel alone, inline with its
//            words in registers: the floor of a run.
// After the table it prints the ratios heavy / stream and heavy_2_threads / stream, of wall-clock
// time and of processor time (for heavy_2_threads, both threads' processor time: half of it is
// the wall-clock time two free cores would take).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "random/kiss_words.h"

extern char** environ;

namespace {

std::string read_input(const std::string& name) {
  const std::string path = std::string(KELVARO_BENCH_INPUTS) + "/" + name + ".txt";
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(1);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Discards the report, so that the timing holds the formatting but no terminal or file.
class NullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int run_quietly(const std::string& input, int threads = 1) {
  NullBuffer sink;
  std::ostream out(&sink);
  kelvaro::Settings settings;
  settings.threads = threads;
  return kelvaro::exit_status(kelvaro::run_text(input, settings, &out).status);
}

// Number of uniform draws a run makes after its seeding.
std::int64_t draws_of(const std::string& input) {
  return static_cast<std::int64_t>(kelvaro::run_text(input).uniform_draws);
}

void BM_Run(benchmark::State& state, const char* name, int threads) {
  const std::string input = read_input(name);
  for (auto _ : state) benchmark::DoNotOptimize(run_quietly(input, threads));
}

// The whole process: spawn the executable with the input file on its standard input.
void BM_Process(benchmark::State& state, const char* name) {
  const std::string path = std::string(KELVARO_BENCH_INPUTS) + "/" + name + ".txt";
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char program[] = KELVARO_BINARY;
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start kelvaro");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
  }
}

// The floor: the same number of draws as a heavy run from the KISS kernel, its words in local
// variables (registers) for the whole loop, the draws summed so that none can be dropped; the
// words start where seed 400 puts them (00900090 each).
void BM_Stream(benchmark::State& state, std::int64_t draws) {
  for (auto _ : state) {
    kelvaro::KissWords words{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u};
    float sum = 0.0f;
    for (std::int64_t i = 0; i < draws; ++i) sum += words.next_uniform();
    benchmark::DoNotOptimize(sum);
  }
  state.counters["draws"] = static_cast<double>(draws);
  // Processor time per draw over all iterations.
  state.counters["per_draw"] =
      benchmark::Counter(static_cast<double>(draws) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Seconds per run of one case, wall clock and processor.
struct PerRun {
  double real = 0.0;
  double cpu = 0.0;
};

// Keeps the console table and remembers the times per run of each case by its plain name: the
// shortest over repetitions (--benchmark_repetitions=N, best with
// --benchmark_enable_random_interleaving=true on a busy machine), the run least disturbed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, PerRun> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        const auto n = static_cast<double>(r.iterations);
        const PerRun run{r.real_accumulated_time / n, r.cpu_accumulated_time / n};
        const auto [it, fresh] = seconds.emplace(r.run_name.function_name, run);
        if (!fresh) {
          it->second.real = std::min(it->second.real, run.real);
          it->second.cpu = std::min(it->second.cpu, run.cpu);
        }
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t heavy_draws = draws_of(read_input("heavy"));
  benchmark::RegisterBenchmark("typical", BM_Run, "typical", 1)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("typical_process", BM_Process, "typical")
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("large", BM_Run, "large", 1)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("heavy", BM_Run, "heavy", 1)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  // The same run with its bootstraps on two threads (wall clock is what they save; the CPU
  // column is both threads' processor time, the measure on a busy machine).
  benchmark::RegisterBenchmark("heavy_2_threads", BM_Run, "heavy", 2)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3)
      ->MeasureProcessCPUTime()
      ->UseRealTime();
  benchmark::RegisterBenchmark("stream", BM_Stream, heavy_draws)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto stream = reporter.seconds.find("stream");
  for (const char* name : {"heavy", "heavy_2_threads"}) {
    const auto heavy = reporter.seconds.find(name);
    if (heavy == reporter.seconds.end() || stream == reporter.seconds.end()) continue;
    std::printf("%s / stream = %.2f wall clock, %.2f processor time (%lld draws)\n", name,
                heavy->second.real / stream->second.real, heavy->second.cpu / stream->second.cpu,
                static_cast<long long>(heavy_draws));
  }
  benchmark::Shutdown();
  return 0;
}
