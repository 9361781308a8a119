// Golden reports: every tests/golden/NAME.in is run in-process and as the built program; standard
// output must equal NAME.out byte for byte, standard error NAME.err (empty when there is no such
// file) and the exit status NAME.status (0 when there is no such file). The expected files were
// checked by hand against the layouts (see README.md beside them). The same expected files serve
// the release and the sanitizer builds, so they also show that a run does not depend on the build.
// The program run is the one built here, or the one KELVARO_GOLDEN_PROGRAM names when it is set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/run_helpers.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::path(KELVARO_SOURCE_DIR) / "tests" / "golden";

std::vector<fs::path> golden_inputs() {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(kDir)) {
    if (entry.path().extension() == ".in") inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

std::string read_or(const fs::path& path, const std::string& fallback) {
  return fs::exists(path) ? testing::slurp(path.string()) : fallback;
}

int expected_status(const fs::path& in) {
  return std::stoi(read_or(fs::path(in).replace_extension(".status"), "0"));
}

TEST(Golden, ThereAreEnoughCases) { EXPECT_GE(golden_inputs().size(), 12u); }

TEST(Golden, InProcessReportsMatch) {
  for (const auto& in : golden_inputs()) {
    SCOPED_TRACE(in.filename().string());
    const auto r = testing::run_text(testing::slurp(in.string()));
    EXPECT_EQ(r.out, testing::slurp(fs::path(in).replace_extension(".out").string()));
    EXPECT_EQ(r.err, read_or(fs::path(in).replace_extension(".err"), ""));
    EXPECT_EQ(r.status, expected_status(in));
  }
}

TEST(Golden, ProgramReportsMatch) {
  const char* other = std::getenv("KELVARO_GOLDEN_PROGRAM");
  const std::string program = other != nullptr ? other : KELVARO_BINARY;
  SCOPED_TRACE(program);
  // Quiet, standard error holds the diagnostics alone; with warnings shown the report is the same.
  for (const auto& in : golden_inputs()) {
    SCOPED_TRACE(in.filename().string());
    const auto r = testing::run_program(program, testing::slurp(in.string()), "-q");
    EXPECT_EQ(r.out, testing::slurp(fs::path(in).replace_extension(".out").string()));
    EXPECT_EQ(r.err, read_or(fs::path(in).replace_extension(".err"), ""));
    EXPECT_EQ(r.status, expected_status(in));
    const auto shown = testing::run_program(program, testing::slurp(in.string()));
    EXPECT_EQ(shown.out, r.out);
    EXPECT_EQ(shown.status, r.status);
  }
}

TEST(Golden, EveryVectorPathGivesTheSameReports) {
  // KELVARO_ISA forces a path; each one this processor has must give the golden reports, and the
  // benchmark's typical, large and heavy inputs (a thousand replicates of 500 species; ten
  // thousand of 3500, subsets of about 2000) the scalar path's, on one thread and on two.
  const std::string program = KELVARO_BINARY;
  const auto run_with = [&](const char* isa, const fs::path& in, const char* options = "-q") {
    setenv("KELVARO_ISA", isa, 1);
    auto r = testing::run_program(program, testing::slurp(in.string()), options);
    unsetenv("KELVARO_ISA");
    return r;
  };
  const fs::path bench = fs::path(KELVARO_SOURCE_DIR) / "bench" / "inputs";
  std::vector<fs::path> larger = {bench / "typical.txt", bench / "large.txt", bench / "heavy.txt"};
  std::vector<testing::ProcessResult> scalar;
  for (const auto& in : larger) scalar.push_back(run_with("scalar", in, "-q --threads 1"));
  for (const char* isa : {"scalar", "avx2", "avx512", "neon"}) {
    SCOPED_TRACE(isa);
    for (const auto& in : golden_inputs()) {
      SCOPED_TRACE(in.filename().string());
      const auto r = run_with(isa, in);
      EXPECT_EQ(r.out, testing::slurp(fs::path(in).replace_extension(".out").string()));
      // A path the processor lacks is said so on standard error, once, before the run's own.
      std::string err = r.err;
      const std::string lacks = std::string("kelvaro: KELVARO_ISA=") + isa + ": this processor";
      if (err.rfind(lacks, 0) == 0) err = err.substr(err.find('\n') + 1);
      EXPECT_EQ(err, read_or(fs::path(in).replace_extension(".err"), ""));
      EXPECT_EQ(r.status, expected_status(in));
    }
    for (std::size_t i = 0; i < larger.size(); ++i) {
      SCOPED_TRACE(larger[i].filename().string());
      for (const char* options : {"-q --threads 1", "-q --threads 2"}) {
        SCOPED_TRACE(options);
        const auto r = run_with(isa, larger[i], options);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, scalar[i].out);
      }
    }
  }
}

TEST(Golden, TwoRunsInOneProcessMatchTwoProcesses) {
  // Runs that differ in t, pair and nreps, one after another in the same process: each must give
  // its own report, whatever ran before it.
  const char* names[] = {"frequency-pair", "limiting-table", "detail-lines", "unequal-t",
                         "frequency-pair"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const fs::path in = kDir / (std::string(name) + ".in");
    const auto r = testing::run_text(testing::slurp(in.string()));
    EXPECT_EQ(r.out, testing::slurp(fs::path(in).replace_extension(".out").string()));
  }
}

}  // namespace
}  // namespace kelvaro
