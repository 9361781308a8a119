// A bootstrap shared among threads gives exactly the run of one thread: every golden input and
// many random surveys, with 2 and 3 threads and small chunks of replicates, forced onto threads
// however little work they hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "run/record_source.h"
#include "run/run_engine.h"
#include "support/failing_threads.h"
#include "support/golden_inputs.h"
#include "support/process.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;

// A run whose bootstrap goes onto settings.threads threads in chunks of chunk replicates.
RunResult run_engine(const std::string& text, const Settings& settings, std::int32_t chunk,
                     std::ostream* out) {
  RunEngine engine(settings, out);
  engine.tune_threads(chunk, 0.0);
  StringSource source(text);
  TextRecords records(source, engine.warnings());
  return engine.run(records);
}

std::string run_with(const std::string& text, int threads, std::int32_t chunk) {
  Settings settings;
  settings.threads = threads;
  std::ostringstream out;
  const RunResult r = run_engine(text, settings, chunk, &out);
  return out.str() + "status " + std::to_string(exit_status(r.status));
}

// A random two-sample survey: t sites each, a community of up to 300 species with uneven
// detection, sometimes the frequency pair, negative nreps (detail lines) and a range switch.
std::string random_survey(std::mt19937& rng) {
  std::uniform_int_distribution<int> sites(1, 40);
  const int t = sites(rng);
  const bool pair = rng() % 4 == 0 && t <= 49;
  const int nreps = static_cast<int>(rng() % 40) - 10;
  std::string s = std::to_string(rng() % 3 == 0 ? -t : t) + " " + std::to_string(t) + " " +
                  (pair ? "1 " : "0 ") + std::to_string(nreps) + " " +
                  std::to_string(1 + rng() % 100000) + "\n";
  for (int block = 0; block < 4; ++block) {
    const int scale = block < 2 ? 60 : 20;
    std::string f, n, fp;
    for (int i = 0; i < t; ++i) f += std::to_string(rng() % (scale / (i + 1) + 1)) + " ";
    for (int i = 0; i < t; ++i) n += std::to_string(rng() % scale) + " ";
    for (int i = 0; i <= t; ++i) fp += std::to_string(rng() % (scale / (i + 1) + 1)) + " ";
    s += f + "\n" + n + "\n" + (pair ? fp + "\n" : "");
  }
  return s;
}

TEST(Threads, ThreadedBootstrapsGiveTheSequentialReport) {
  std::vector<std::string> inputs;
  for (const auto& p : testing::golden_inputs()) inputs.push_back(testing::slurp(p.string()));
  inputs.push_back(
      testing::slurp((fs::path(KELVARO_SOURCE_DIR) / "bench" / "inputs" / "typical.txt").string()));
  std::mt19937 rng(15);
  for (int i = 0; i < 40; ++i) inputs.push_back(random_survey(rng));
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input.substr(0, 60));
    const std::string sequential = run_with(input, 1, 0);
    for (const int threads : {2, 3}) {
      for (const std::int32_t chunk : {1, 2, 5}) {
        ASSERT_EQ(run_with(input, threads, chunk), sequential)
            << threads << " threads, chunks of " << chunk;
      }
    }
  }
}

TEST(Threads, ThreadsThatCannotStartGiveTheSameReportAndAreToldOnce) {
  // The system refuses threads after `limit` (EAGAIN): the run goes on with half of the workers
  // it started and the calling thread (which draws beside three workers when all start; alone
  // for 0), says so once, and its later blocks ask for no more.
  struct Told : Observer {
    std::vector<std::pair<int, int>> calls;
    void threads_short(int asked, int used) override { calls.emplace_back(asked, used); }
  };
  const std::string input =
      testing::slurp((fs::path(KELVARO_SOURCE_DIR) / "examples" / "two-samples.txt").string());
  const std::string sequential = run_with(input, 1, 0);
  for (const int limit : {0, 1, 2}) {
    SCOPED_TRACE(limit);
    Told told;
    Settings settings;
    settings.threads = 4;
    settings.observer = &told;
    settings.thread_factory = testing::threads_failing_after(limit);
    std::ostringstream out;
    const RunResult r = run_engine(input, settings, 1, &out);
    EXPECT_EQ(out.str() + "status " + std::to_string(exit_status(r.status)), sequential);
    const int used = limit == 0 ? 1 : limit - limit / 2 + 1;
    EXPECT_EQ(told.calls, (std::vector<std::pair<int, int>>{{4, used}}));
  }
}

TEST(Threads, AnObserverThatThrowsStopsTheThreadsFirst) {
  // A caller cancels a run by throwing from the observer (as the R package does on Ctrl-C): the
  // exception must reach it after the threads are stopped, not end the process.
  struct Cancel : Observer {
    void bootstrap_progress(BlockNumber, std::int32_t, double) override {
      throw std::runtime_error("stop");
    }
  } cancel;
  Settings settings;
  settings.threads = 2;
  settings.observer = &cancel;
  const std::string input =
      testing::slurp((fs::path(KELVARO_SOURCE_DIR) / "examples" / "two-samples.txt").string());
  EXPECT_THROW(run_engine(input, settings, 1, nullptr), std::runtime_error);
}

}  // namespace
}  // namespace kelvaro
