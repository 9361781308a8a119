// kelvaro-plan's grid: 10 designs (5 to 50 sites in steps of 5, equal in both samples) x 200
// simulated surveys x 100 bootstrap replicates, on 1 and on 2 threads, CSV formatted and
// discarded. The community: 100 species, 80 persisting, 20 colonists, detection
// p ~ Beta(0.4, 1.6) (mean 0.2, K = 2). Wall-clock time, since the work runs on its own threads;
// the CPU column is every thread's processor time (the measure on a busy machine).
#include <benchmark/benchmark.h>

#include "kelvaro/planner.h"

namespace {

void BM_PlanGrid(benchmark::State& state) {
  kelvaro::plan::PlanSettings s;
  s.community = {100, 80, 20, 0.2, 2.0, 1.0};
  for (std::int32_t t = 5; t <= 50; t += 5) s.designs.push_back({t, t});
  s.surveys = 200;
  s.replicates = 100;
  s.seed = 400;
  s.threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const auto summaries = kelvaro::plan::run_plan(s);
    benchmark::DoNotOptimize(kelvaro::plan::results_csv(
        summaries, kelvaro::plan::reported_parameters(s.community), s.community));
  }
  state.counters["surveys"] = static_cast<double>(s.designs.size()) * s.surveys;
}

}  // namespace

BENCHMARK(BM_PlanGrid)
    ->Name("plan_grid")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);
