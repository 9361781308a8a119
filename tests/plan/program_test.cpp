// kelvaro-plan as a process: where the CSV goes, and failures to write it.

#include <gtest/gtest.h>

#include <filesystem>

#include "tools/run_program.h"

namespace kelvaro::tools_test {
namespace {

const std::string kProgram = quoted(KELVARO_PLAN_BINARY);
const std::string kPlan = kProgram +
                          " --species 40 --persistence 0.5 --colonists 10 --detection 0.3 "
                          "--heterogeneity 1 --sites 4,6 --surveys 5 --nreps 10";

TEST(PlanProgram, WritesTheSameCsvToStandardOutputOrAFile) {
  const ScratchDir dir;
  const RunResult to_stdout = run(kPlan);
  ASSERT_EQ(to_stdout.status, 0) << to_stdout.err;
  EXPECT_EQ(to_stdout.out.rfind("sites1,sites2,parameter,true_value,", 0), 0u);
  EXPECT_EQ(to_stdout.err, "");
  const std::string path = dir.path("plan.csv");
  const RunResult to_file = run(kPlan + " -o " + quoted(path));
  ASSERT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, "");
  EXPECT_EQ(read_file(path), to_stdout.out);
  // Nothing but the file is left in the folder.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(PlanProgram, FailuresToWriteEndInStatusOne) {
  const ScratchDir dir;
  const struct {
    const char* name;
    std::string command;
    std::string message;
  } cases[] = {
      {"a file in a missing folder", kPlan + " -o " + quoted(dir.path("missing/plan.csv")),
       "kelvaro-plan: cannot write the results file " + dir.path("missing/plan.csv") +
           ": No such file or directory\n"},
      {"a full standard output", kPlan + " >/dev/full",
       "kelvaro-plan: cannot write the results: No space left on device\n"},
      {"the help text", kProgram + " --help >/dev/full",
       "kelvaro-plan: cannot write the help text: No space left on device\n"},
      {"the version", kProgram + " --version >/dev/full",
       "kelvaro-plan: cannot write the version: No space left on device\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // In a subshell, so that the program's own redirection of standard output stands.
    const RunResult r = run("(" + c.command + ")");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.message);
  }
}

TEST(PlanProgram, RefusalsWriteNothingAndEndInStatusTwo) {
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {" --species 40 --detection 1.5 --heterogeneity 1 --sites 5",
       "kelvaro-plan: --detection must be above 0 and at most 1 (a probability), not 1.5\n"},
      {" --species 40x --detection 0.5 --heterogeneity 1 --sites 5",
       "kelvaro-plan: --species takes a whole number from -2147483648 to 2147483647, not '40x' "
       "(kelvaro-plan --help)\n"},
      {" --species 40 --detection 0.5x --heterogeneity 1 --sites 5",
       "kelvaro-plan: Could not convert: --detection = 0.5x (kelvaro-plan --help)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const RunResult r = run(kProgram + c.arguments);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.message);
  }
}

}  // namespace
}  // namespace kelvaro::tools_test
