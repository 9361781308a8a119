// The five programs read their command lines alike: numbers that an option cannot represent and
// empty output names are refused with status 2 and a message that starts with the program's
// name; -V gives the version; a missing argument is named in words.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"

namespace kelvaro::tools_test {
namespace {

const std::string kPlan = KELVARO_PLAN_BINARY;  // empty when kelvaro-plan is not built

struct Program {
  const char* name;
  std::string path;
};

std::vector<Program> programs() {
  std::vector<Program> all = {{"kelvaro", quoted(KELVARO_BINARY)},
                              {"kelvaro-prep", quoted(KELVARO_PREP_BINARY)},
                              {"kelvaro-tidy", quoted(KELVARO_TIDY_BINARY)},
                              {"kelvaro-batch", quoted(KELVARO_BATCH_BINARY)}};
  if (!kPlan.empty()) all.push_back({"kelvaro-plan", quoted(kPlan)});
  return all;
}

std::string path_of(const char* name) {
  for (const Program& p : programs()) {
    if (std::string(p.name) == name) return p.path;
  }
  return "";
}

TEST(OptionRefusals, RefusedWithTheProgramsNameAndStatusTwo) {
  const std::string plan_design = " --species 20 --detection 0.5 --heterogeneity none --sites 3 ";
  const struct {
    const char* program;
    std::string arguments;
    const char* message;  // the whole first line after "<program>: "
  } cases[] = {
      {"kelvaro", "--threads 1e9 x.txt",
       "--threads takes a whole number from 1 to 1024, not '1e9'"},
      {"kelvaro-prep", "--nreps 1.5 a.csv",
       "--nreps takes a whole number from -10000 to 10000, "
       "not '1.5' (kelvaro-prep --help)"},
      {"kelvaro-prep", "--audit '' a.csv",
       "--audit: an empty name names no file or folder (kelvaro-prep --help)"},
      {"kelvaro-prep", "",
       "give two site-by-species CSV files, or one long CSV of sample,site,species records "
       "(kelvaro-prep --help)"},
      {"kelvaro-tidy", "--dir '' r.out",
       "--dir: an empty name names no file or folder (kelvaro-tidy --help)"},
      {"kelvaro-tidy", "--bogus",
       "The following argument was not expected: --bogus "
       "(kelvaro-tidy --help)"},
      {"kelvaro-batch", "--threads 1e9 -o out r.csv",
       "--threads takes a whole number from 1 to 1024, not '1e9' (kelvaro-batch --help)"},
      {"kelvaro-batch", "-o '' r.csv",
       "--output: an empty name names no file or folder (kelvaro-batch --help)"},
      {"kelvaro-batch", "--sample-order week -o out r.csv",
       "--sample-order: 'week' is not an order: give natural or file (kelvaro-batch --help)"},
      {"kelvaro-prep", "--sample-order '' a.csv",
       "--sample-order: '' is not an order: give natural or file (kelvaro-prep --help)"},
      {"kelvaro-batch", "-o out",
       "give the long table of detections (one row per detection, with columns group, sample, "
       "site and species) (kelvaro-batch --help)"},
      {"kelvaro-plan", plan_design + "--seed -1",
       "--seed takes a whole number from 0 to 18446744073709551615, not '-1' "
       "(kelvaro-plan --help)"},
      {"kelvaro-plan", plan_design + "--seed 18446744073709551616",
       "--seed takes a whole number from 0 to 18446744073709551615, not "
       "'18446744073709551616' (kelvaro-plan --help)"},
      {"kelvaro-plan", plan_design + "--surveys 1.5",
       "--surveys takes a whole number from -2147483648 to 2147483647, not '1.5' "
       "(kelvaro-plan --help)"},
      {"kelvaro-plan", plan_design + "-o ''",
       "--output: an empty name names no file or folder (kelvaro-plan --help)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
    const std::string path = path_of(c.program);
    if (path.empty()) continue;  // kelvaro-plan not built
    const RunResult r = run(path + " " + c.arguments);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string(c.program) + ": " + c.message + "\n");
  }
}

TEST(OptionRefusals, EveryProgramTakesDashV) {
  for (const Program& p : programs()) {
    SCOPED_TRACE(p.name);
    const RunResult r = run(p.path + " -V");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(p.name) + " " + KELVARO_VERSION + "\n");
    EXPECT_EQ(r.out, run(p.path + " --version").out);
  }
}

TEST(OptionRefusals, HelpMarksTheRequiredArguments) {
  const struct {
    const char* program;
    std::vector<const char*> required;  // help lines that must say REQUIRED
  } cases[] = {
      {"kelvaro-prep", {"CSV"}},
      {"kelvaro-batch", {"RECORDS.csv", "-o,--output"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    const std::string help = run(path_of(c.program) + " --help").out;
    for (const char* option : c.required) {
      const std::size_t at = help.find(option);
      ASSERT_NE(at, std::string::npos) << option;
      const std::string line = help.substr(at, help.find('\n', at) - at);
      EXPECT_NE(line.find("REQUIRED"), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace kelvaro::tools_test
