// Checked output: files that appear only when complete, and the one test of which paths name one
// file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "kelvaro/checked_output.h"
#include "support/run_program.h"

namespace kelvaro::tools {
namespace {

using tools_test::read_file;
using tools_test::ScratchDir;

TEST(ReplacingFile, AppearsOnlyWhenComplete) {
  const ScratchDir dir;
  const std::string path = dir.write("audit.csv", "earlier\n");
  {
    ReplacingFile file(path, "the audit file");
    file.write("partial");
    file.flush();
    EXPECT_EQ(read_file(path), "earlier\n");  // not yet replaced
  }  // abandoned: the earlier file stays, no temporary file is left
  EXPECT_EQ(read_file(path), "earlier\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 1);
  {
    ReplacingFile file(path, "the audit file");
    file.write("complete\n");
    file.commit();
  }
  EXPECT_EQ(read_file(path), "complete\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 1);
  try {
    ReplacingFile file(dir.path("no/such/folder/a.csv"), "the audit file no/a.csv");
    ADD_FAILURE() << "created";
  } catch (const WriteError& e) {
    EXPECT_EQ(std::string(e.what()),
              "cannot write the audit file no/a.csv: No such file or directory");
  }
}

struct stat status_of(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

void replace(const std::string& path, const std::string& text,
             ReadOnlyFiles read_only = ReadOnlyFiles::kRefused) {
  ReplacingFile file(path, "the file", read_only);
  file.write(text);
  file.commit();
}

std::size_t entries(const ScratchDir& dir) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(dir.path("")), {}));
}

TEST(ReplacingFile, KeepsTheModeAndOwnerOfTheFileItReplaces) {
  const struct {
    mode_t mode;
    bool other_owner;  // owned by another user and group (needs the right to give files away)
  } cases[] = {{0600, false}, {0640, false}, {0755, false}, {0604, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const ScratchDir dir;
    const std::string path = dir.write("out.csv", "earlier\n");
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    if (c.other_owner && ::chown(path.c_str(), 4321, 4321) != 0) continue;  // not allowed here
    replace(path, "new\n");
    EXPECT_EQ(read_file(path), "new\n");
    const struct stat st = status_of(path);
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    if (c.other_owner) {
      EXPECT_EQ(st.st_uid, 4321u);
      EXPECT_EQ(st.st_gid, 4321u);
    }
    EXPECT_EQ(entries(dir), 1u);
  }
}

TEST(ReplacingFile, WritesThroughAFileOfSeveralNames) {
  const ScratchDir dir;
  const std::string path = dir.write("out.csv", "earlier\n");
  const std::string other = dir.path("other-name.csv");
  std::filesystem::create_hard_link(path, other);
  const ino_t inode = status_of(path).st_ino;
  {
    ReplacingFile file(path, "the file");
    file.write("partial");
    file.flush();
  }  // abandoned: both names keep the earlier content
  EXPECT_EQ(read_file(other), "earlier\n");
  replace(path, "new, longer than before\n");
  replace(path, "new\n");  // shorter: nothing of the earlier content is left at the end
  for (const std::string& name : {path, other}) {
    EXPECT_EQ(read_file(name), "new\n");
    EXPECT_EQ(status_of(name).st_ino, inode);
  }
  EXPECT_EQ(entries(dir), 2u);  // no temporary file left
}

TEST(ReplacingFile, RefusesAReadOnlyFileUnlessForced) {
  const ScratchDir dir;
  const std::string path = dir.write("out.csv", "earlier\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  try {
    replace(path, "new\n");
    ADD_FAILURE() << "replaced";
  } catch (const WriteError& e) {
    EXPECT_NE(std::string(e.what()).find("out.csv is read-only (mode 0444): make it writable"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(read_file(path), "earlier\n");
  EXPECT_EQ(entries(dir), 1u);
  replace(path, "new\n", ReadOnlyFiles::kReplaced);
  EXPECT_EQ(read_file(path), "new\n");
  EXPECT_EQ(status_of(path).st_mode & 07777, 0444u);
}

TEST(ReplacingFile, SameFileSeesThroughLinks) {
  const ScratchDir dir;
  const std::string a = dir.write("a.csv", "x");
  std::filesystem::create_hard_link(a, dir.path("b.csv"));
  std::filesystem::create_symlink(a, dir.path("c.csv"));
  EXPECT_TRUE(same_file(a, dir.path("b.csv")));
  EXPECT_TRUE(same_file(dir.path("c.csv"), a));
  EXPECT_FALSE(same_file(a, dir.write("d.csv", "x")));
  EXPECT_FALSE(same_file(a, dir.path("none.csv")));
}

}  // namespace
}  // namespace kelvaro::tools
