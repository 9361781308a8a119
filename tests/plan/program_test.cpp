// kelvaro-plan as a process: where the CSV goes, and failures to write it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bootstrap/isa.h"
#include "support/run_program.h"

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

TEST(PlanProgram, APilotTableAndAKelvaroInputGiveTheSameFit) {
  // Ten species at 4 sites: f = (3, 3, 2, 2), as a table and as a kelvaro input's Sample 1.
  const ScratchDir dir;
  const std::string table = dir.write("pilot.csv",
                                      "site,a,b,c,d,e,f,g,h,i,j\n"
                                      "s1,1,0,0,1,1,0,1,1,1,1\n"
                                      "s2,0,1,0,1,0,1,1,1,1,1\n"
                                      "s3,0,0,1,0,1,1,1,0,1,1\n"
                                      "s4,0,0,0,0,0,0,0,1,1,1\n");
  const std::string input = dir.write("pilot.in", "4 4 0 10 400\n3 3 2 2\n7 7 6 3\n");
  const std::string plan = kProgram + " --sites 4 --surveys 3 --nreps 10 --from-pilot ";
  const RunResult from_table = run(plan + quoted(table));
  ASSERT_EQ(from_table.status, 0) << from_table.err;
  EXPECT_EQ(
      from_table.err.rfind("kelvaro-plan: the pilot (4 sites, 10 species detected) fits N = ", 0),
      0u)
      << from_table.err;
  const RunResult from_input = run(plan + quoted(input));
  EXPECT_EQ(from_input.err, from_table.err);
  EXPECT_EQ(from_input.out, from_table.out);
}

TEST(PlanProgram, APilotsFractionalFrequencyIsTakenAsItsWholePartWithAWarning) {
  const ScratchDir dir;
  const std::string input = dir.write("pilot.in", "4 4 0 10 400\n3.5 3 2 2\n7 7 6 3\n");
  const std::string whole = dir.write("whole.in", "4 4 0 10 400\n3 3 2 2\n7 7 6 3\n");
  const std::string plan = kProgram + " --sites 4 --surveys 3 --nreps 10 --from-pilot ";
  const RunResult r = run(plan + quoted(input));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("kelvaro-plan: warning: --from-pilot: " + input +
                       ": Sample 1: f(1) = 3.5 is not a whole number; it is taken as 3\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(run(plan + quoted(whole)).out, r.out);
  // A warning is not a result: --quiet silences it.
  EXPECT_EQ(run(plan + quoted(input) + " -q").err.find("warning"), std::string::npos);
}

TEST(PlanProgram, TargetsAreAnsweredOnStandardError) {
  const RunResult r = run(kPlan + " --target 'PHI:width<=100' --target 'N(1):bias<=100' -q");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "kelvaro-plan: the smallest design that meets every target: 4 sites (sites1 = 4, "
            "sites2 = 4); decided by 5 simulated surveys\n");
  // meets_target: yes on N(1) and PHI, empty on the others; then the answer's columns: the
  // surveys, the capped share's standard error, decided, and nothing of a pilot's communities.
  EXPECT_NE(r.out.find(",assumed_heterogeneity,surveys,share_interval_capped_se,decided,"
                       "assurance,assurance_se,communities\r\n"),
            std::string::npos);
  EXPECT_NE(r.out.find(",yes,40,0.3,1,5,0.164804,yes,,,\r\n4,4,N(2),"), std::string::npos);
  EXPECT_NE(r.out.find(",,40,0.3,1,5,0.149071,yes,,,\r\n4,4,PHI,"), std::string::npos);
  EXPECT_NE(r.out.find(",yes,40,0.3,1,5,0.164804,yes,,,\r\n4,4,GAMMA,"), std::string::npos);
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

// Refusals run under a bound on memory (600 MB), as a careful user's shell may set, except under
// the address sanitizer, which reserves more address space than that.
#if defined(__SANITIZE_ADDRESS__)
const std::string kMemoryBound;
#else
const std::string kMemoryBound = "ulimit -v 600000; ";
#endif

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
       "kelvaro-plan: --detection takes a decimal number (such as 0.8, 12 or 2.5e-3), not "
       "'0.5x' (kelvaro-plan --help)\n"},
      // Every real-valued option: no hexadecimal form, nothing lost to underflow.
      {" --species 40 --detection 0.5 --heterogeneity 1 --sites 5 --assurance 0x0.8p0",
       "kelvaro-plan: --assurance takes a decimal number (such as 0.8, 12 or 2.5e-3), not "
       "'0x0.8p0' (kelvaro-plan --help)\n"},
      {" --species 40 --detection 0.5 --heterogeneity 1 --sites 5 --persistence 1e-400",
       "kelvaro-plan: --persistence takes a decimal number of 0 or of at least "
       "2.2250738585072014e-308 in size, not '1e-400' (too close to 0 to be held) (kelvaro-plan "
       "--help)\n"},
      {" --species 40 --detection 0.5 --heterogeneity 0x2 --sites 5",
       "kelvaro-plan: --heterogeneity must be a positive number K (the Beta concentration; "
       "smaller is stronger heterogeneity) or 'none' for equal detection, not '0x2'\n"},
      {" --species 40 --detection 0.5 --heterogeneity 1 --sites 5 --target N\\(1\\):bias\\<=1e-400",
       "kelvaro-plan: --target 'N(1):bias<=1e-400': 'bias<=1e-400': the bound must be a number "
       "of 0 or more, not one too close to 0 to be held (write 0)\n"},
      {" --species 40 --detection 0.5 --heterogeneity 1 --sites 5 --carryover new",
       "kelvaro-plan: --carryover must be 'kept' (a persisting species keeps its detection "
       "probability in Sample 2) or 'redrawn' (it draws a new one), not 'new'\n"},
      {" --species 40 --detection 0.5 --heterogeneity 1 --sites1 5 --sites2 5 --target "
       "PHI:bias\\<=0.1 --until-target",
       "kelvaro-plan: --until-target extends --sites LIST (equal numbers of sites); give it in "
       "place of --sites1 and --sites2\n"},
      {" --detection 0.5 --heterogeneity 1 --sites 5 --from-pilot /nonexistent/pilot.csv",
       "kelvaro-plan: --from-pilot: /nonexistent/pilot.csv: No such file or directory\n"},
      // Read with kelvaro-prep's bounds, in little memory: refused at the first long row.
      {" --sites 5 --from-pilot /dev/zero",
       "kelvaro-plan: --from-pilot: /dev/zero (comma-separated), line 1, column 1: the row is "
       "longer than 16777216 bytes, more than any detection table needs (is this the right "
       "file? a file whose line ends were lost?)\n"},
      {" --species 40 --colonists 0 --detection 0.5 --heterogeneity 1 --sites 5 --target "
       "B:bias\\<=0.1 --until-target",
       "kelvaro-plan: --target 'B:bias<=0.1': B's true value is 0 (no colonists: --colonists 0), "
       "so its relative bias, a share of the true value, has no value for any design; give B a "
       "target on rmse, width or coverage, or assume colonists\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const RunResult r = run(kMemoryBound + kProgram + c.arguments);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.message);
  }
}

// The path KELVARO_ISA=name asks for (a known name).
Isa path_named(const std::string& name) {
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512, Isa::neon}) {
    if (name == isa_name(isa)) return isa;
  }
  return Isa::scalar;
}

// The warning kelvaro gives for a KELVARO_ISA the processor cannot take, here under the plan's
// name; and the same results from every path.
TEST(PlanProgram, EveryVectorPathGivesTheSameResults) {
  const std::string best = isa_name(best_isa());
  const std::string plan = kProgram +
                           " --species 300 --persistence 0.5 --colonists 40 --detection 0.3 "
                           "--heterogeneity 1 --sites 4,9 --surveys 4 --nreps 60";
  const RunResult scalar = run("KELVARO_ISA=scalar " + plan);
  ASSERT_EQ(scalar.status, 0) << scalar.err;
  for (const std::string isa : {"avx2", "avx512", "neon", "sse"}) {
    SCOPED_TRACE(isa);
    const RunResult r = run("KELVARO_ISA=" + isa + " " + plan);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, scalar.out);
    std::string expected_err;
    if (isa == "sse") {
      expected_err =
          "kelvaro-plan: KELVARO_ISA=sse is not a path (scalar, avx2, avx512 or neon); using " +
          best + "\n";
    } else if (!isa_supported(path_named(isa))) {
      expected_err = "kelvaro-plan: KELVARO_ISA=" + isa +
                     ": this processor (or this build) lacks it; using " + best + "\n";
    }
    EXPECT_EQ(r.err, expected_err);
  }
}

}  // namespace
}  // namespace kelvaro::tools_test
