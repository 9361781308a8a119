// Every output of every writing program goes through what is at its path instead of replacing
// it: a symbolic link is followed (the link stays), a FIFO or a device is written directly. A
// killed run leaves no temporary file, and the next run removes those of a run that was killed
// without the chance to.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace kelvaro::tools_test {
namespace {

namespace fs = std::filesystem;

const std::string kPrep = quoted(KELVARO_PREP_BINARY);
const std::string kTidy = quoted(KELVARO_TIDY_BINARY);
const std::string kBatch = quoted(KELVARO_BATCH_BINARY);
const std::string kPlan = KELVARO_PLAN_BINARY;  // empty when kelvaro-plan is not built
const std::string kHandReport = KELVARO_SOURCE_DIR "/tests/report_reader/data/hand-report.out";

const char* kWide1 = "site,a,b,c\ns1,1,2,0\ns2,0,0,0\ns3,0,1,0\n";
const char* kWide2 = "site,b,d,a\nu1,3,0,0\nu2,1,1,0\n";
const char* kRecords =
    "group,sample,site,species\n"
    "g,2019,s1,a\ng,2019,s1,b\ng,2019,s2,b\ng,2020,s1,a\ng,2020,s2,c\n";

// A program writing one file: `command` with OUT for the output path given on the command line
// (a file, or the folder of `file_in_folder`).
struct Writer {
  const char* name;
  std::string command;
  const char* file_in_folder;  // "" when OUT is the file itself
};

std::vector<Writer> writers(const ScratchDir& dir) {
  const std::string wide =
      quoted(dir.write("w1.csv", kWide1)) + " " + quoted(dir.write("w2.csv", kWide2));
  std::vector<Writer> all = {
      {"kelvaro-prep --audit", kPrep + " --audit OUT " + wide + " >/dev/null", ""},
      {"kelvaro-tidy --dir", kTidy + " --dir OUT " + quoted(kHandReport), "parameters.csv"},
      {"kelvaro-batch -o",
       kBatch + " -q --threads 1 --nreps 5 -o OUT " + quoted(dir.write("records.csv", kRecords)),
       "parameters.csv"},
  };
  if (!kPlan.empty()) {
    all.push_back({"kelvaro-plan -o",
                   quoted(kPlan) + " -q --species 20 --detection 0.5 --heterogeneity none "
                                   "--sites 3 --surveys 2 --nreps 5 --threads 1 -o OUT",
                   ""});
  }
  return all;
}

std::string replaced(std::string text, const std::string& what, const std::string& by) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
    text.replace(at, what.size(), by);
  return text;
}

// The names in `folder` that start with '.' (temporary files).
std::vector<std::string> hidden_names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

TEST(OutputPaths, WrittenThroughNeverReplaced) {
  enum class Kind { kPlainFile, kSymlink, kFifo, kDevice, kPrivateFile, kHardLink, kReadOnly };
  const struct {
    const char* name;
    Kind kind;
  } kinds[] = {{"a plain file", Kind::kPlainFile},
               {"a symbolic link", Kind::kSymlink},
               {"a FIFO", Kind::kFifo},
               {"a device node", Kind::kDevice},
               {"a file of mode 0600", Kind::kPrivateFile},
               {"a file of two names", Kind::kHardLink},
               {"a read-only file", Kind::kReadOnly}};
  const ScratchDir dir;
  for (const Writer& w : writers(dir)) {
    // What the program writes to a plain new file: the text every other kind must receive.
    const std::string reference_out = dir.path("reference");
    ASSERT_EQ(run(replaced(w.command, "OUT", quoted(reference_out))).status, 0) << w.name;
    const std::string expected = read_file(
        *w.file_in_folder != '\0' ? reference_out + "/" + w.file_in_folder : reference_out);
    ASSERT_FALSE(expected.empty()) << w.name;
    fs::remove_all(reference_out);
    for (const auto& k : kinds) {
      SCOPED_TRACE(std::string(w.name) + " onto " + k.name);
      const ScratchDir place;
      const bool in_folder = *w.file_in_folder != '\0';
      const std::string out = in_folder ? place.path("out") : place.path("out.csv");
      const std::string file = in_folder ? out + "/" + w.file_in_folder : out;
      if (in_folder) fs::create_directories(out);
      const std::string target = place.path("elsewhere/real.csv");
      std::string command = replaced(w.command, "OUT", quoted(out));
      switch (k.kind) {
        case Kind::kPlainFile:
          place.write(in_folder ? "out/" + std::string(w.file_in_folder) : "out.csv", "old");
          break;
        case Kind::kSymlink:
          fs::create_directories(place.path("elsewhere"));
          place.write("elsewhere/real.csv", "old");
          fs::create_symlink(target, file);
          break;
        case Kind::kFifo:
          ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
          command = "cat " + quoted(file) + " >" + quoted(place.path("got")) + " & " + command +
                    "; s=$?; wait; exit $s";
          break;
        case Kind::kDevice:  // the null device, made here (the tests run as root)
          if (::mknod(file.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP();
          break;
        case Kind::kPrivateFile:
        case Kind::kReadOnly:
          place.write(in_folder ? "out/" + std::string(w.file_in_folder) : "out.csv", "old");
          ASSERT_EQ(::chmod(file.c_str(), k.kind == Kind::kReadOnly ? 0444 : 0600), 0);
          break;
        case Kind::kHardLink:
          place.write(in_folder ? "out/" + std::string(w.file_in_folder) : "out.csv", "old");
          fs::create_hard_link(file, place.path("other-name.csv"));
          break;
      }
      const RunResult r = run("(" + command + ")");
      if (k.kind == Kind::kReadOnly) {  // refused, and left as it was
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("is read-only (mode 0444)"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(file), "old");
        EXPECT_EQ(hidden_names(in_folder ? out : place.path("")), std::vector<std::string>{});
        continue;
      }
      EXPECT_EQ(r.status, 0) << r.err;
      struct stat st {};
      ASSERT_EQ(::lstat(file.c_str(), &st), 0);
      switch (k.kind) {
        case Kind::kPlainFile:
          EXPECT_TRUE(S_ISREG(st.st_mode));
          EXPECT_EQ(read_file(file), expected);
          break;
        case Kind::kSymlink:
          EXPECT_TRUE(S_ISLNK(st.st_mode));
          EXPECT_EQ(read_file(target), expected);
          EXPECT_EQ(hidden_names(place.path("elsewhere")), std::vector<std::string>{});
          break;
        case Kind::kFifo:
          EXPECT_TRUE(S_ISFIFO(st.st_mode));
          EXPECT_EQ(read_file(place.path("got")), expected);
          break;
        case Kind::kDevice:
          EXPECT_TRUE(S_ISCHR(st.st_mode));
          break;
        case Kind::kPrivateFile:
          EXPECT_EQ(st.st_mode & 07777, 0600u);
          EXPECT_EQ(read_file(file), expected);
          break;
        case Kind::kHardLink:
          EXPECT_EQ(st.st_nlink, 2u);
          EXPECT_EQ(read_file(place.path("other-name.csv")), expected);
          break;
        case Kind::kReadOnly:
          break;
      }
      EXPECT_EQ(hidden_names(in_folder ? out : place.path("")), std::vector<std::string>{});
    }
  }
}

TEST(OutputPaths, AFileSizeLimitIsAWriteFailureThatLeavesNothing) {
  // Under ulimit -f 0 every write to a file fails (EFBIG): the program says so and ends with
  // status 1, where SIGXFSZ would kill it and leave its temporary files. Its messages reach a
  // pipe, which the limit does not stop.
  const ScratchDir dir;
  for (const Writer& w : writers(dir)) {
    SCOPED_TRACE(w.name);
    const ScratchDir place;
    const std::string out = place.path("out");
    const RunResult r = run("({ (ulimit -f 0; exec " + replaced(w.command, "OUT", quoted(out)) +
                            ") 2>&1; echo \"status $?\"; } | cat)");
    EXPECT_NE(r.out.find(": File too large\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("status 1\n"), std::string::npos) << r.out;
    // Nothing written is left: no file, no temporary file (an empty folder aside).
    for (const auto& entry : fs::recursive_directory_iterator(place.path(""))) {
      EXPECT_TRUE(entry.is_directory()) << entry.path();
    }
  }
}

TEST(OutputPaths, AFailedTidyLeavesNoFolderItMade) {
  const ScratchDir dir;
  // "new" is made, the name below it is too long for any file system.
  const std::string out = dir.path("new/" + std::string(300, 'x'));
  const RunResult r = run(kTidy + " --dir " + quoted(out) + " " + quoted(kHandReport));
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_FALSE(fs::exists(dir.path("new")));
}

TEST(OutputPaths, ABatchsReportsFollowALink) {
  const ScratchDir dir;
  fs::create_directories(dir.path("out"));
  // An earlier batch's reports (its marks list what it wrote) in the folder the link names.
  fs::create_directories(dir.path("elsewhere/reports/old-group"));
  dir.write("elsewhere/reports/.kelvaro-batch", "old-group\n");
  dir.write("elsewhere/reports/old-group/.kelvaro-batch", "a-b.txt\n");
  dir.write("elsewhere/reports/old-group/a-b.txt", "old report");
  fs::create_symlink(dir.path("elsewhere/reports"), dir.path("out/reports"));
  const RunResult r =
      run(kBatch + " -q --reports --threads 1 --nreps 5 -o " + quoted(dir.path("out")) + " " +
          quoted(dir.write("records.csv", kRecords)));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir.path("out/reports")));
  EXPECT_TRUE(fs::exists(dir.path("elsewhere/reports/g/2019-2020.txt")));
  EXPECT_FALSE(fs::exists(dir.path("elsewhere/reports/old-group")));
  EXPECT_EQ(hidden_names(dir.path("elsewhere")), std::vector<std::string>{});
}

TEST(OutputPaths, AHangUpRemovesTheTemporaryFile) {
  const ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.path("never-written.csv").c_str(), 0644), 0);
  fs::create_directories(dir.path("out"));
  // kelvaro-prep makes its audit file's temporary file, then waits for the FIFO's writer that
  // never comes; the terminal closes (SIGHUP). In the background, sh would ignore SIGINT.
  const std::string temporaries = quoted(dir.path("out")) + "/.audit.csv.kelvaro-tmp-*";
  const RunResult r = run("(" + kPrep + " --audit " + quoted(dir.path("out/audit.csv")) + " " +
                          quoted(dir.path("never-written.csv")) +
                          " & p=$!; "
                          "until ls " +
                          temporaries +
                          " >/dev/null 2>&1; do sleep 0.05; done; "
                          "kill -HUP $p; wait $p; echo $?)");
  EXPECT_EQ(r.out, "129\n");  // 128 + SIGHUP: ended by the signal, as it would have been
  EXPECT_EQ(hidden_names(dir.path("out")), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(dir.path("out/audit.csv")));
  // kelvaro-batch stops between steps: it has its tables' temporary files while it awaits the
  // rest of the table; hung up then, it puts nothing in place once the table ends, and the
  // folder it made goes again.
  ASSERT_EQ(::mkfifo(dir.path("records.csv").c_str(), 0644), 0);
  const std::string writer = "(printf 'group,sample,site,species\\ng,1,s,a\\n'; sleep 1) >" +
                             quoted(dir.path("records.csv")) + " & ";
  const RunResult batch =
      run("(" + writer + kBatch + " -q -o " + quoted(dir.path("batch")) + " " +
          quoted(dir.path("records.csv")) + " & p=$!; until ls " + quoted(dir.path("batch")) +
          "/.parameters.csv.kelvaro-tmp-* "
          ">/dev/null 2>&1; do sleep 0.05; done; kill -HUP $p; wait $p; "
          "echo $?)");
  EXPECT_EQ(batch.out, "129\n");
  EXPECT_NE(batch.err.find("kelvaro-batch: interrupted: nothing was written to"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path("batch")));
}

TEST(OutputPaths, ARunRemovesWhatAKilledRunLeft) {
  const ScratchDir dir;
  fs::create_directories(dir.path("out"));
  const std::string dead = ".parameters.csv.kelvaro-tmp-999999999-AbC123";  // no such process
  const std::string alive =
      ".parameters.csv.kelvaro-tmp-" + std::to_string(::getpid()) + "-AbC123";  // this test
  const std::string dead_reports = ".reports.kelvaro-tmp-999999999-XyZ789";
  const std::string foreign = ".parameters.csv.AbC123";  // not of our making
  for (const std::string& name : {dead, alive, foreign}) dir.write("out/" + name, "x");
  fs::create_directories(dir.path("out/" + dead_reports + "/g"));
  dir.write("out/" + dead_reports + "/g/2019-2020.txt", "x");
  const RunResult r = run(kBatch + " -q --threads 1 --nreps 5 -o " + quoted(dir.path("out")) + " " +
                          quoted(dir.write("records.csv", kRecords)));
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> left = hidden_names(dir.path("out"));
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{foreign, alive}));
}

}  // namespace
}  // namespace kelvaro::tools_test
