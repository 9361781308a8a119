// Checked output: files that appear only when complete, and the one test of which paths name one
// file.

#include <gtest/gtest.h>

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
