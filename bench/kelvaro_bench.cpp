// Time per run of the whole program on the bench inputs, against the floors of a run: its uniform
// stream alone, one draw after another (scalar) and in lanes side by side (vector). Cases:
//   typical  two samples, t = 12, about 40 species each, 50 replicates (in process);
//   typical_process  the same input through the kelvaro executable, start-up and exit included;
//   large    t = 50, about 500 species per sample, strong heterogeneity, 1000 replicates;
//   heavy    t = 98, about 2000 species per sample, 10000 replicates, long power sums;
//   longtail t = 98, about 1100 species seen per sample, 10000 replicates, frequencies over all
//            98 classes with a long tail (most draws outside the three commonest classes);
//   few      t = 20, a handful of species per sample, 10000 short replicates;
//   sites    t = 1000 (the most a sample may have), about 660 species per sample, 1000
//            replicates;
//   stream_<case>  as many draws as the case makes, from the generator's kernel alone, inline with
//            its words in registers: the scalar floor of a run;
//   lanes_<case>   the same draws from 8 (AVX2) or 16 (AVX-512) generators stepped side by side
//            in vector registers, as the lane kernels step them (the path KELVARO_ISA or the
//            processor picks; absent on the scalar path): the vector floor.
//   heavy_2_threads, longtail_2_threads  the same runs with their bootstraps on two threads.
// After the table it prints, for heavy, longtail (each on one and two threads), few and sites, the
// ratios of the run to its floors, of wall-clock time and of processor time (for the two-thread
// runs, both threads' processor time: half of it is the wall-clock time two free cores would
// take).
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

#include "bootstrap/isa.h"
#include "kelvaro/kelvaro.h"
#include "random/kiss_words.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

#if defined(__x86_64__) && defined(__GNUC__)
// The vector floors: `draws` draws (rounded down to whole steps of the lanes) from 8 or 16
// generators side by side, each lane's draws summed in its own float.
__attribute__((target("avx2"))) float lanes_avx2(std::int64_t draws) {
  __m256i z = _mm256_set1_epi32(0x00900090), w = z, a = z, b = z;
  const __m256i cm = _mm256_set1_epi32(static_cast<int>(kelvaro::kCongruentialMultiplier));
  const __m256i ci = _mm256_set1_epi32(static_cast<int>(kelvaro::kCongruentialIncrement));
  const __m256i ma = _mm256_set1_epi32(static_cast<int>(kelvaro::kMwcMultiplierA));
  const __m256i mb = _mm256_set1_epi32(static_cast<int>(kelvaro::kMwcMultiplierB));
  const __m256i low = _mm256_set1_epi32(0xFFFF);
  const __m256 scale = _mm256_set1_ps(0x1p-24f);
  // Distinct lanes, as the kernels' jumps ahead make them.
  w = _mm256_add_epi32(w, _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0));
  __m256 sum = _mm256_setzero_ps();
  for (std::int64_t i = 0; i < draws / 8; ++i) {
    z = _mm256_add_epi32(_mm256_mullo_epi32(z, cm), ci);
    w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 13));
    w = _mm256_xor_si256(w, _mm256_srli_epi32(w, 17));
    w = _mm256_xor_si256(w, _mm256_slli_epi32(w, 5));
    a = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(a, low), ma),
                         _mm256_srli_epi32(a, 16));
    b = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(b, low), mb),
                         _mm256_srli_epi32(b, 16));
    const __m256i word =
        _mm256_add_epi32(_mm256_add_epi32(z, w), _mm256_add_epi32(_mm256_slli_epi32(a, 16), b));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(word, 8)), scale));
  }
  alignas(32) float lane[8];
  _mm256_store_ps(lane, sum);
  float total = 0.0f;
  for (const float x : lane) total += x;
  return total;
}

__attribute__((target("avx512f"))) float lanes_avx512(std::int64_t draws) {
  // The masked shifts and conversion, every lane selected: GCC 12 reports the plain ones' undefined
  // start vector as maybe used uninitialized (GCC bug 105593).
  constexpr __mmask16 kAll = 0xFFFF;
  __m512i z = _mm512_set1_epi32(0x00900090), w = z, a = z, b = z;
  const __m512i cm = _mm512_set1_epi32(static_cast<int>(kelvaro::kCongruentialMultiplier));
  const __m512i ci = _mm512_set1_epi32(static_cast<int>(kelvaro::kCongruentialIncrement));
  const __m512i ma = _mm512_set1_epi32(static_cast<int>(kelvaro::kMwcMultiplierA));
  const __m512i mb = _mm512_set1_epi32(static_cast<int>(kelvaro::kMwcMultiplierB));
  const __m512i low = _mm512_set1_epi32(0xFFFF);
  const __m512 scale = _mm512_set1_ps(0x1p-24f);
  w = _mm512_add_epi32(w, _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
  __m512 sum = _mm512_setzero_ps();
  for (std::int64_t i = 0; i < draws / 16; ++i) {
    z = _mm512_add_epi32(_mm512_mullo_epi32(z, cm), ci);
    w = _mm512_xor_si512(w, _mm512_maskz_slli_epi32(kAll, w, 13));
    w = _mm512_xor_si512(w, _mm512_maskz_srli_epi32(kAll, w, 17));
    w = _mm512_xor_si512(w, _mm512_maskz_slli_epi32(kAll, w, 5));
    a = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(a, low), ma),
                         _mm512_maskz_srli_epi32(kAll, a, 16));
    b = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_and_si512(b, low), mb),
                         _mm512_maskz_srli_epi32(kAll, b, 16));
    const __m512i word = _mm512_add_epi32(
        _mm512_add_epi32(z, w), _mm512_add_epi32(_mm512_maskz_slli_epi32(kAll, a, 16), b));
    sum = _mm512_add_ps(
        sum, _mm512_mul_ps(_mm512_maskz_cvtepi32_ps(kAll, _mm512_maskz_srli_epi32(kAll, word, 8)),
                           scale));
  }
  alignas(64) float lane[16];
  _mm512_store_ps(lane, sum);
  float total = 0.0f;
  for (const float x : lane) total += x;
  return total;
}
#endif

// The vector floor on the lanes of `isa` (which has lanes on x86-64 only).
void BM_Lanes(benchmark::State& state, std::int64_t draws, kelvaro::Isa isa) {
  for (auto _ : state) {
    // An opaque count each time, so that the compiler cannot hoist the (pure) floor out.
    std::int64_t n = draws;
    benchmark::DoNotOptimize(n);
#if defined(__x86_64__) && defined(__GNUC__)
    benchmark::DoNotOptimize(isa == kelvaro::Isa::avx512 ? lanes_avx512(n) : lanes_avx2(n));
#else
    (void)isa;
#endif
  }
  state.counters["draws"] = static_cast<double>(draws);
  state.SetLabel(kelvaro::isa_name(isa));
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
  // The cases compared with their floors, and the draws each one makes after its seeding.
  struct Floored {
    const char* name;
    const char* input;
    std::int64_t draws;
  };
  std::vector<Floored> floored;
  for (const char* name : {"heavy", "longtail", "few", "sites"}) {
    floored.push_back({name, name, draws_of(read_input(name))});
  }
  const kelvaro::Isa isa = kelvaro::active_isa();
  const bool vector = isa == kelvaro::Isa::avx2 || isa == kelvaro::Isa::avx512;
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
  for (const Floored& c : floored) {
    if (std::string(c.name) != "heavy") {
      benchmark::RegisterBenchmark(c.name, BM_Run, c.input, 1)->Unit(benchmark::kMillisecond);
    }
    if (std::string(c.name) == "longtail") {
      benchmark::RegisterBenchmark("longtail_2_threads", BM_Run, c.input, 2)
          ->Unit(benchmark::kMillisecond)
          ->MeasureProcessCPUTime()
          ->UseRealTime();
    }
    benchmark::RegisterBenchmark((std::string("stream_") + c.name).c_str(), BM_Stream, c.draws)
        ->Unit(benchmark::kMillisecond);
    if (vector) {
      benchmark::RegisterBenchmark((std::string("lanes_") + c.name).c_str(), BM_Lanes, c.draws, isa)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto print_ratio = [&](const std::string& run, const std::string& floor,
                               std::int64_t draws) {
    const auto r = reporter.seconds.find(run);
    const auto f = reporter.seconds.find(floor);
    if (r == reporter.seconds.end() || f == reporter.seconds.end()) return;
    std::printf("%s / %s = %.2f wall clock, %.2f processor time (%lld draws)\n", run.c_str(),
                floor.c_str(), r->second.real / f->second.real, r->second.cpu / f->second.cpu,
                static_cast<long long>(draws));
  };
  for (const Floored& c : floored) {
    std::vector<std::string> runs = {c.name};
    if (std::string(c.name) == "heavy" || std::string(c.name) == "longtail") {
      runs.push_back(std::string(c.name) + "_2_threads");
    }
    for (const std::string& run : runs) {
      print_ratio(run, std::string("stream_") + c.name, c.draws);
      print_ratio(run, std::string("lanes_") + c.name, c.draws);
    }
  }
  benchmark::Shutdown();
  return 0;
}
