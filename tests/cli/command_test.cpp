// The kelvaro command as scripts and callers use it: standard output as it was given, failures
// that never pass for success, arguments, bounded memory on long inputs.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/arguments.h"
#include "cli/progress.h"
#include "support/process.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

const std::string kProgram = KELVARO_BINARY;
const std::string kExample = std::string(KELVARO_SOURCE_DIR) + "/examples/two-samples.txt";

// A scratch folder, removed at the end of the test.
struct Scratch {
  fs::path dir = fs::temp_directory_path() / ("kelvaro-cli-" + std::to_string(::getpid()));
  Scratch() { fs::create_directories(dir); }
  ~Scratch() { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
};

// Runs a shell command line; returns its exit status (-1 when it did not exit normally).
int shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(Command, StandardOutputIsUsedAsGiven) {
  Scratch s;
  const std::string report = testing::run_program(kProgram, slurp(kExample)).out;
  ASSERT_GT(report.size(), 1000u);
  const std::string all = s.path("all.txt");
  ASSERT_EQ(shell("echo notes > " + all + "; " + kProgram + " < " + kExample + " >> " + all + "; " +
                  kProgram + " " + kExample + " >> " + all),
            0);
  EXPECT_EQ(slurp(all), "notes\n" + report + report);
}

TEST(Command, ASocketCallerReceivesTheWholeReport) {
  const std::string report = testing::run_program(kProgram, slurp(kExample)).out;
  int sv[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::dup2(sv[1], 1);
    ::close(sv[0]);
    ::close(sv[1]);
    ::execl(kProgram.c_str(), kProgram.c_str(), kExample.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(sv[1]);
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = ::read(sv[0], buf, sizeof buf)) > 0;)
    got.append(buf, static_cast<std::size_t>(n));
  ::close(sv[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(got, report);
}

TEST(Command, FailuresAreNeverReportedAsSuccess) {
  Scratch s;
  struct {
    const char* what;
    std::string command;  // run with standard error into err
    int status;
    std::string err;
  } cases[] = {
      {"output to a full device", kProgram + " " + kExample + " > /dev/full", 1,
       "kelvaro: cannot write the report: No space left on device\n"},
      {"output closed", kProgram + " " + kExample + " >&-", 1,
       "kelvaro: cannot write the report: Bad file descriptor\n"},
      {"help to a full device", kProgram + " --help > /dev/full", 1,
       "kelvaro: cannot write the help text: No space left on device\n"},
      {"input a directory", kProgram + " < / > /dev/null", 2,
       "kelvaro: cannot read the input: Is a directory\n"},
      {"input closed", kProgram + " <&- > /dev/null", 2,
       "kelvaro: cannot read the input: Bad file descriptor\n"},
      {"input file missing", kProgram + " " + s.path("none.txt") + " > /dev/null", 2,
       "kelvaro: cannot open " + s.path("none.txt") + ": No such file or directory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(shell(c.command + " 2> " + s.path("err")), c.status);
    EXPECT_EQ(slurp(s.path("err")), c.err);
  }
}

TEST(Command, AFileArgumentReadsAsStandardInputDoes) {
  Scratch s;
  EXPECT_EQ(shell(kProgram + " " + kExample + " > " + s.path("a") + " && " + kProgram + " - < " +
                  kExample + " > " + s.path("b") + " && " + kProgram + " --threads 3 " + kExample +
                  " > " + s.path("c")),
            0);
  EXPECT_EQ(slurp(s.path("a")), slurp(s.path("b")));
  EXPECT_EQ(slurp(s.path("a")), slurp(s.path("c")));
  std::ofstream(s.path("bad.txt")) << "3 3 0 5 400\n4 2 1\n5 x 3\n";
  EXPECT_EQ(shell(kProgram + " " + s.path("bad.txt") + " > /dev/null 2> " + s.path("err")), 2);
  EXPECT_EQ(slurp(s.path("err")),
            "kelvaro: line 3, value 2: \"x\" is not a number\nAt line 3 of "
            "file kelvaro (unit = 5, file = '" +
                s.path("bad.txt") + "')\nBad integer for item 2 in list input\n");
}

TEST(Command, LongInputsRunInBoundedMemory) {
  // 300 MB of blanks before the records, under a 64 MB address-space limit.
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
  Scratch s;
  const std::string blanks = "head -c 300000000 /dev/zero | tr '\\000' ' '";
  const std::string command = "(" + blanks + "; cat " + kExample + ") | (ulimit -v 65536; " +
                              kProgram + " > " + s.path("out") + ")";
  EXPECT_EQ(shell(command), 0);
  EXPECT_EQ(slurp(s.path("out")), testing::run_program(kProgram, slurp(kExample)).out);
}

TEST(Command, Options) {
  struct {
    std::vector<const char*> args;
    int status;
    std::string out_prefix;
    std::string err;
  } cases[] = {
      {{"--help"}, 0, "Usage: kelvaro [OPTIONS] [FILE]\n", ""},
      {{"-h"}, 0, "Usage: kelvaro [OPTIONS] [FILE]\n", ""},
      {{"--version"}, 0, std::string("kelvaro ") + KELVARO_VERSION + "\n", ""},
      {{"-V"}, 0, std::string("kelvaro ") + KELVARO_VERSION + "\n", ""},
      {{"--x"}, 2, "", "kelvaro: unknown option '--x' (kelvaro --help lists the options)\n"},
      {{"--threads", "0"},
       2,
       "",
       "kelvaro: --threads takes a whole number from 1 to 1024, not '0'\n"},
      {{"--threads=many"},
       2,
       "",
       "kelvaro: --threads takes a whole number from 1 to 1024, not 'many'\n"},
      {{"a.txt", "b.txt"},
       2,
       "",
       "kelvaro: more than one input file ('a.txt' and 'b.txt'); kelvaro reads one input "
       "(kelvaro --help shows how)\n"},
  };
  Scratch s;
  for (const auto& c : cases) {
    std::string command = kProgram;
    for (const char* a : c.args) command += std::string(" ") + a;
    SCOPED_TRACE(command);
    EXPECT_EQ(shell(command + " > " + s.path("out") + " 2> " + s.path("err")), c.status);
    EXPECT_EQ(slurp(s.path("out")).substr(0, c.out_prefix.size()), c.out_prefix);
    if (c.out_prefix.empty()) {
      EXPECT_EQ(slurp(s.path("out")), "");
    }
    EXPECT_EQ(slurp(s.path("err")), c.err);
  }
  // "-" is standard input, and after "--" a name that begins with "-" is a file.
  const char* dash[] = {"kelvaro", "--", "-odd.txt"};
  const auto parsed = cli::parse_arguments(3, dash);
  ASSERT_TRUE(std::holds_alternative<cli::Arguments>(parsed));
  EXPECT_EQ(std::get<cli::Arguments>(parsed).file, "-odd.txt");
}

TEST(Command, CheckAndQuiet) {
  Scratch s;
  std::ofstream(s.path("slip.txt")) << "3 3 0 20 400\n4 2 1 9\n4 4 3\n";
  std::ofstream(s.path("bad.txt")) << "3 3 0 20 400\n4 2 x\n";
  std::ofstream(s.path("empty-site.txt")) << "3 3 0 20 400\n4 2 0\n4 4 0\n";
  const std::string empty_site_warning =
      "kelvaro: warning: line 2: Sample 1: 1 of 3 sites has no detection (n(3) = 0): each counts "
      "as a site where every species was missed, which lowers the detection the estimates rest "
      "on and can make the M(h) test reject; leave out sites that were not surveyed\n";
  const std::string slip_warning =
      "kelvaro: warning: line 2: Sample 1: the f(i) record takes 3 numbers but its line holds "
      "more; the numbers after the 3rd are ignored\n";
  struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"--check " + kExample, 0, ""},
      {"--check " + s.path("slip.txt"), 1, slip_warning},
      {"--check -q " + s.path("slip.txt"), 1, ""},
      {"--check " + s.path("bad.txt"), 2,
       "kelvaro: line 2, value 3: \"x\" is not a number\nAt line 2 of file kelvaro (unit = 5, "
       "file = '" +
           s.path("bad.txt") + "')\nBad real number in item 3 of list input\n"},
      {s.path("slip.txt"), 0, slip_warning},
      {"--quiet " + s.path("slip.txt"), 0, ""},
      // What the samples are is told, and is no slip: the status stays 0.
      {"--check " + s.path("empty-site.txt"), 0, empty_site_warning},
      {s.path("empty-site.txt"), 0, empty_site_warning},
      // A vector path the processor cannot take is told, unless quiet.
      {"--check -q " + kExample + " KELVARO_ISA=sse", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    std::string args = c.args;
    std::string environment;
    if (const std::size_t at = args.find(" KELVARO_ISA="); at != std::string::npos) {
      environment = args.substr(at + 1) + " ";
      args.erase(at);
    }
    const int status =
        shell(environment + kProgram + " " + args + " > " + s.path("out") + " 2> " + s.path("err"));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(slurp(s.path("err")), c.err);
    if (c.args.rfind("--check", 0) == 0) {
      EXPECT_EQ(slurp(s.path("out")), "");
    }
  }
}

TEST(Command, AVeryLongRunIsAnnounced) {
  // f(1) = 6e8 at one site with 10000 replicates: 6e12 draws. The warning comes before the
  // bootstrap starts; the run itself is stopped once it is there (or after 30 s).
  Scratch s;
  std::ofstream(s.path("in")) << "1 1 0 10000 400\n600000000\n600000000\n";
  const std::string err = s.path("err");
  shell("(" + kProgram + " " + s.path("in") + " > /dev/null 2> " + err + " & pid=$!; i=0; " +
        "while [ $i -lt 300 ] && ! grep -q 'random draws' " + err + "; do sleep 0.1; " +
        "i=$((i+1)); done; kill $pid)");
  const std::string text = slurp(err);
  EXPECT_EQ(text.rfind("kelvaro: warning: this run needs about 6.0e12 random draws (roughly ", 0),
            0u)
      << text;
}

TEST(Progress, FiguresAndDurations) {
  struct {
    double draws;
    const char* text;
  } draws[] = {{7.5e13, "7.5e13"}, {1.04e10, "1.0e10"}, {9.96e10, "1.0e11"}};
  for (const auto& c : draws) EXPECT_EQ(cli::draws_text(c.draws), c.text);
  struct {
    double seconds;
    const char* text;
  } durations[] = {{0.2, "roughly 1 second"}, {42.4, "roughly 42 seconds"},
                   {60, "roughly 1 minute"},  {89, "roughly 1 minute"},
                   {90, "roughly 2 minutes"}, {7200, "roughly 2 hours"},
                   {4.5e6, "roughly 52 days"}};
  for (const auto& c : durations) EXPECT_EQ(cli::duration_text(c.seconds), c.text);
}

}  // namespace
}  // namespace kelvaro
