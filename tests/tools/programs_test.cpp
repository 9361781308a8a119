// kelvaro-prep and kelvaro-tidy as processes: exit statuses, refusals, options.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "support/run_program.h"

namespace kelvaro::tools_test {
namespace {

const std::string kPrep = quoted(KELVARO_PREP_BINARY);
const std::string kTidy = quoted(KELVARO_TIDY_BINARY);
const std::string kHandReport = KELVARO_SOURCE_DIR "/tests/report_reader/data/hand-report.out";

// Two small site-by-species tables. Hand derivation of the input: Sample 1 (s1..s3) detects
// a at s1, b at s1 and s3: f = 1 1 0, n = 2 0 1. Sample 2 (u1, u2) detects b at both and d
// (only in this file) at u2: f = 1 1, n = 1 2. Only b is in both: Subset A f = 0 1, n = 1 1;
// Subset B f = 0 1 0, n = 1 0 1.
const char* kWide1 = "site,a,b,c\r\ns1,1,2,0\r\ns2,0,0,0\r\ns3,0,0.5,0\r\n";
const char* kWide2 = "site,b,d,a\r\nu1,3,0,0\r\nu2,1,1,0\r\n";
const char* kLong =
    "sample,site,species\r\n"
    "one,s1,a\r\none,s1,b\r\none,s2,x\r\none,s3,b\r\n"
    "two,u1,b\r\ntwo,u2,b\r\ntwo,u2,d\r\n";
const char* kBody = "1 1 0\n2 0 1\n1 1\n1 2\n0 1\n1 1\n0 1 0\n1 0 1\n";

// Standard error without kelvaro-prep's warning that a site of kWide1 (s2) has no detection,
// for the tests about other messages.
std::string without_site_warning(const std::string& err) {
  std::string kept;
  std::size_t begin = 0;
  while (begin < err.size()) {
    std::size_t end = err.find('\n', begin);
    end = end == std::string::npos ? err.size() : end + 1;
    const std::string line = err.substr(begin, end - begin);
    if (line.find(" has no detection (") == std::string::npos) kept += line;
    begin = end;
  }
  return kept;
}

TEST(PrepProgram, BuildsTheInputFromWideTables) {
  const ScratchDir dir;
  const std::string files =
      quoted(dir.write("w1.csv", kWide1)) + " " + quoted(dir.write("w2.csv", kWide2));
  const struct {
    const char* name;
    std::string options;
    std::string expected;
  } cases[] = {
      {"defaults", "", std::string("3 2 0 50 400\n") + kBody},
      {"all options", "--nreps -20 --seed 7 --no-range-adjust",
       std::string("-3 2 0 -20 7\n") + kBody},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = run(kPrep + " " + c.options + " " + files);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(without_site_warning(r.err), "");
  }
}

TEST(PrepProgram, SampleLabelsOfOneNumberAreWarnedAbout) {
  const ScratchDir dir;
  const std::string records =
      "group,sample,site,species\n"
      "g,2015,s1,a\ng,2015,s2,b\ng,2015.0,s1,a\ng,2015.0,s2,c\n";
  const std::string table = dir.write("long.csv", records);
  const RunResult prep = run(kPrep + " " + quoted(table));
  EXPECT_EQ(prep.status, 0) << prep.err;
  EXPECT_EQ(prep.err, "kelvaro-prep: warning: " + table +
                          ": samples \"2015\" and \"2015.0\" are the same number written "
                          "differently and count as two samples; write them alike if they are "
                          "one\n");
  const RunResult batch = run(quoted(KELVARO_BATCH_BINARY) + " --threads 1 --nreps 5 -o " +
                              quoted(dir.path("out")) + " " + quoted(table));
  EXPECT_EQ(batch.status, 0) << batch.err;
  EXPECT_NE(batch.err.find("kelvaro-batch: warning: 1 sample label(s) are the same number as "
                           "another written differently and count as different samples, such "
                           "as \"2015\" and \"2015.0\""),
            std::string::npos)
      << batch.err;
}

TEST(PrepProgram, LongTableGivesTheSameInput) {
  const ScratchDir dir;
  // The same detections as two wide tables and as one long table whose rows start with
  // Sample 2 (so --first must say which sample is Sample 1).
  const std::string wide1 = dir.write("w1.csv", "site,a,b\ns1,1,1\ns3,0,1\n");
  const std::string wide2 = dir.write("w2.csv", kWide2);
  const std::string long_table = dir.write(
      "long.csv",
      "sample,site,species\ntwo,u1,b\none,s1,a\none,s1,b\none,s3,b\ntwo,u2,b\ntwo,u2,d\n");
  const RunResult from_wide = run(kPrep + " " + quoted(wide1) + " " + quoted(wide2));
  const RunResult from_long = run(kPrep + " --first one " + quoted(long_table));
  EXPECT_EQ(from_long.status, 0) << from_long.err;
  EXPECT_EQ(from_long.out, from_wide.out);
  EXPECT_EQ(from_long.out.substr(0, 13), "2 2 0 50 400\n");
}

TEST(PrepProgram, AuditFileAndClockSeedNotice) {
  const ScratchDir dir;
  const RunResult r = run(kPrep + " --seed 0 --audit " + quoted(dir.path("audit.csv")) + " " +
                          quoted(dir.write("l.csv", kLong)));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 10), "3 2 0 50 0");
  EXPECT_NE(r.err.find("cannot be repeated"), std::string::npos) << r.err;
  EXPECT_EQ(read_file(dir.path("audit.csv")),
            "# kelvaro-prep audit\r\n"
            "# Sample 1: \"one\" of " +
                dir.path("l.csv") +
                " (comma-separated)\r\n"
                "# Sample 2: \"two\" of " +
                dir.path("l.csv") +
                " (comma-separated)\r\n"
                "species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b\r\n"
                "a,1,0,1,0,0,0\r\n"
                "b,2,2,1,1,1,1\r\n"
                "x,1,0,1,0,0,0\r\n"
                "d,0,1,0,1,0,0\r\n");
}

TEST(PrepProgram, RefusalsNameFileLineAndColumnAndWriteNothing) {
  const ScratchDir dir;
  const std::string good = quoted(dir.write("good.csv", kWide1));
  std::string many = "site,a\n";
  for (int i = 1; i <= 1001; ++i) many += "s" + std::to_string(i) + ",1\n";
  const struct {
    const char* name;
    std::string file;
    std::string text;
    std::string message;
  } wide_cases[] = {
      {"unreadable CSV", "bad.csv", "site,a\ns1,\"1\"x\n",
       "bad.csv (comma-separated), line 2, column 2: text after the closing quote"},
      {"no detections", "zero.csv", "site,a\ns1,0\n",
       "zero.csv (comma-separated), line 1, column 1: the sample has no detection"},
      {"more than 1000 sites", "many.csv", many,
       "many.csv (comma-separated), line 1002, column 1: more than 1000 sites"},
      {"duplicate site", "dup.csv", "site;a\ns1;1\ns1;1\n",
       "dup.csv (semicolon-separated), line 3, column 1: duplicate site"},
      {"duplicate species", "dups.csv", "site\ta\ta\rs1\t1\t1\r",
       "dups.csv (tab-separated), line 1, column 3: duplicate species"},
      {"a cell not understood, CR line ends", "cr.csv", "site,a\rs1,1\rs2,?\r",
       "cr.csv (comma-separated), line 3, column 2: \"?\" is not a detection value"},
  };
  for (const auto& c : wide_cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.write(c.file, c.text);
    const RunResult r =
        run(kPrep + " --audit " + quoted(dir.path("audit.csv")) + " " + good + " " + quoted(path));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(path.substr(0, path.size() - c.file.size()) + c.message),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("audit.csv")));
  }
  const std::string three = dir.write("three.csv", "sample,site,species\nA,x,a\nB,x,a\nC,x,a\n");
  const RunResult r = run(kPrep + " " + quoted(three));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("three.csv (comma-separated), line 4, column 1: a third sample"),
            std::string::npos)
      << r.err;
}

TEST(PrepProgram, CommandLineRefusals) {
  const ScratchDir dir;
  const std::string w1 = quoted(dir.write("w1.csv", kWide1));
  const std::string w2 = quoted(dir.write("w2.csv", kWide2));
  const struct {
    const char* name;
    std::string arguments;
  } cases[] = {
      {"no file", ""},
      {"three files", w1 + " " + w2 + " " + w1},
      {"too many replicates", "--nreps 10001 " + w1 + " " + w2},
      {"nreps not a number", "--nreps x " + w1 + " " + w2},
      {"--first with two files", "--first one " + w1 + " " + w2},
      {"missing file", quoted(dir.path("none.csv")) + " " + w2},
      {"a directory as input", quoted(dir.path("")) + " " + w2},
      {"--count with two files", "--count n " + w1 + " " + w2},
      {"unknown separator", "--sep '|' " + w1 + " " + w2},
      {"unknown option", "--frobnicate " + w1 + " " + w2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = run(kPrep + " " + c.arguments);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
}

TEST(Programs, HelpAndVersion) {
  const struct {
    std::string command;
    const char* contains;
  } cases[] = {
      {kPrep + " --help", "--no-range-adjust"},
      {kPrep + " --version", "kelvaro-prep 1."},
      {kTidy + " --help", "--replicates"},
      {kTidy + " --version", "kelvaro-tidy 1."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const RunResult r = run(c.command);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(c.contains), std::string::npos) << r.out;
  }
}

TEST(TidyProgram, TablesFromFileOrStandardInput) {
  const std::string report = read_file(kHandReport);
  const struct {
    const char* name;
    std::string arguments;
    std::string input;
    std::string first_line;
  } cases[] = {
      {"default is the parameter table", quoted(kHandReport), "",
       "parameter,estimate,bootstrap_average,standard_error,lower,upper\r\n"},
      {"standard input", "--table blocks", report,
       "block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n"},
      {"dash is standard input", "--table test -", report, "chi_square,df,probability\r\n"},
      {"--replicates alone", "--replicates " + quoted(kHandReport), "",
       "replicate,N1,N2,M2R1,M1R2,PHI,GAMMA,LAMBDA,altLAMBDA,B,p1,p2,R1,R2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = run(kTidy + " " + c.arguments, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, c.first_line.size()), c.first_line);
  }
}

TEST(TidyProgram, JsonAndDirectory) {
  const RunResult json = run(kTidy + " --json --replicates " + quoted(kHandReport));
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc.at("parameters").at(5).at("estimate"), nullptr);
  EXPECT_EQ(doc.at("parameters").at(5).at("estimate_text"), "+Infinity");
  EXPECT_EQ(doc.at("parameters").at(5).at("bootstrap_average"), 0.7833);
  EXPECT_EQ(doc.at("replicates").size(), 3u);

  const ScratchDir dir;
  const RunResult files =
      run(kTidy + " --dir " + quoted(dir.path("out")) + " " + quoted(kHandReport));
  ASSERT_EQ(files.status, 0) << files.err;
  EXPECT_EQ(files.out, "");
  for (const char* name : {"run", "blocks", "test", "parameters", "estimators"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(std::filesystem::exists(dir.path(std::string("out/") + name + ".csv")));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path("out/replicates.csv")));
}

TEST(TidyProgram, Refusals) {
  const ScratchDir dir;
  const struct {
    const char* name;
    std::string arguments;
    std::string input;
    const char* message;
  } cases[] = {
      {"not a report", "", "hello\r\n", "line 1:"},
      {"truncated report", "",
       read_file(kHandReport)
           .substr(0, read_file(kHandReport).find(" Total species observed, R(2)")),
       "kelvaro-tidy: standard input: line 31: the report is incomplete (did kelvaro fail? check "
       "its exit status)"},
      {"missing file", quoted(dir.path("none.out")), "", "none.out: No such file or directory"},
      {"a directory", quoted(dir.path("")), "", ": Is a directory"},
      {"kelvaro's input", "", "10 10 0 50 400\n",
       "kelvaro-tidy: standard input: this looks like kelvaro's input, not its report (run "
       "kelvaro on it first)"},
      {"unknown table", "--table nothing " + quoted(kHandReport), "", "nothing"},
      {"--json with --table", "--json --table blocks " + quoted(kHandReport), "", "excludes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = run(kTidy + " " + c.arguments, c.input);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// `command` run by a shell of its own with standard output sent to `target` (">/dev/full", or
// ">&-" to close it), so that the test helper's own redirection does not replace it.
RunResult run_with_output(const std::string& command, const std::string& target,
                          const std::string& input = "") {
  return run("sh -c " + quoted(command + " " + target), input);
}

TEST(Programs, WriteFailuresGiveStatusOneAndOneLine) {
  const ScratchDir dir;
  const std::string files =
      quoted(dir.write("w1.csv", kWide1)) + " " + quoted(dir.write("w2.csv", kWide2));
  const std::string report = read_file(kHandReport);
  const struct {
    std::string command;
    const char* target;
    const char* message;
  } cases[] = {
      {kPrep + " " + files, ">/dev/full",
       "kelvaro-prep: cannot write the kelvaro input: No space left on device\n"},
      {kPrep + " " + files, ">&-",
       "kelvaro-prep: cannot write the kelvaro input: Bad file descriptor\n"},
      {kPrep + " --help", ">/dev/full",
       "kelvaro-prep: cannot write the help text: No space left on device\n"},
      {kPrep + " --version", ">&-",
       "kelvaro-prep: cannot write the version: Bad file descriptor\n"},
      {kTidy, ">/dev/full", "kelvaro-tidy: cannot write the table: No space left on device\n"},
      {kTidy + " --json --replicates", ">&-",
       "kelvaro-tidy: cannot write the JSON document: Bad file descriptor\n"},
      {kTidy + " --help", ">&-", "kelvaro-tidy: cannot write the help text: Bad file descriptor\n"},
      {kTidy + " --version", ">/dev/full",
       "kelvaro-tidy: cannot write the version: No space left on device\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " " + c.target);
    const RunResult r = run_with_output(c.command, c.target, report);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(without_site_warning(r.err), c.message);
  }
}

TEST(Programs, NoPartialFilesAndNoInputOverwritten) {
  const ScratchDir dir;
  const std::string w1 = dir.write("w1.csv", kWide1), w2 = dir.write("w2.csv", kWide2);
  // The kelvaro input cannot be written: the audit file must not appear either.
  const RunResult full = run_with_output(
      kPrep + " --audit " + quoted(dir.path("audit.csv")) + " " + quoted(w1) + " " + quoted(w2),
      ">/dev/full");
  EXPECT_EQ(full.status, 1);
  // An audit file onto an input (here through a second name) is refused before anything.
  std::filesystem::create_symlink(w1, dir.path("link.csv"));
  const RunResult onto_input =
      run(kPrep + " --audit " + quoted(dir.path("link.csv")) + " " + quoted(w1) + " " + quoted(w2));
  EXPECT_EQ(onto_input.status, 2);
  EXPECT_EQ(onto_input.out, "");
  EXPECT_NE(onto_input.err.find("names the input file"), std::string::npos) << onto_input.err;
  EXPECT_EQ(read_file(w1), kWide1);
  // Tables written into the directory that holds the report as parameters.csv: refused.
  std::filesystem::create_directory(dir.path("out"));
  const std::string report = dir.write("out/parameters.csv", read_file(kHandReport));
  const RunResult onto_report =
      run(kTidy + " --dir " + quoted(dir.path("out")) + " " + quoted(report));
  EXPECT_EQ(onto_report.status, 2);
  EXPECT_EQ(read_file(report), read_file(kHandReport));
  // A table that cannot be put in place (a directory has its name): status 1, no temporary file.
  std::filesystem::create_directories(dir.path("out2/test.csv"));
  const RunResult blocked =
      run(kTidy + " --dir " + quoted(dir.path("out2")) + " " + quoted(kHandReport));
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("cannot write " + dir.path("out2/test.csv") + ": "), std::string::npos)
      << blocked.err;
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path(""))) {
    left.push_back(e.path().filename().string());
  }
  for (const auto& e : std::filesystem::directory_iterator(dir.path("out2"))) {
    left.push_back("out2/" + e.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"link.csv", "out", "out2", "out2/blocks.csv",
                                            "out2/run.csv", "out2/test.csv", "w1.csv", "w2.csv"}));
}

TEST(PrepProgram, MisuseAndNameWarnings) {
  const ScratchDir dir;
  const std::string w1 = quoted(dir.write("w1.csv", kWide1));
  const RunResult one_wide = run(kPrep + " " + w1);
  EXPECT_EQ(one_wide.status, 2);
  EXPECT_EQ(one_wide.err,
            "kelvaro-prep needs two site-by-species files (Sample 1 and Sample 2), or one long "
            "table with columns sample,site,species; " +
                dir.path("w1.csv") + " has neither a sample column nor a partner file\n");
  const std::string w2 = quoted(dir.write("w2.csv", "site,B,d,a\r\nu1,3,0,0\r\nu2,1,1,0\r\n"));
  const RunResult apart = run(kPrep + " " + w1 + " " + w2);
  EXPECT_EQ(apart.status, 0);
  EXPECT_NE(apart.err.find("kelvaro-prep: warning: species \"b\" (" + dir.path("w1.csv") +
                           ", line 1, column 3) and \"B\" (" + dir.path("w2.csv") +
                           ", line 1, column 2) differ only in case"),
            std::string::npos)
      << apart.err;
  const RunResult folded = run(kPrep + " --fold-case " + w1 + " " + w2);
  EXPECT_EQ(without_site_warning(folded.err), "");
  EXPECT_EQ(folded.out, std::string("3 2 0 50 400\n") + kBody);
}

}  // namespace
}  // namespace kelvaro::tools_test
