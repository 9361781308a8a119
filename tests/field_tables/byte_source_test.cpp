// Byte sources: files that cannot be read are errors, never empty input; reading at offsets,
// and a file that changes while it is read.

#include "kelvaro/byte_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/run_program.h"

namespace kelvaro::tools {
namespace {

using tools_test::ScratchDir;

TEST(FileSource, FilesThatCannotBeReadAreErrorsNotEmptyInput) {
  const ScratchDir dir;
  std::filesystem::create_directory(dir.path("plots"));
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {dir.path("plots"), dir.path("plots") + ": Is a directory"},
      {dir.path("none.csv"), dir.path("none.csv") + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      FileSource source(c.path);
      ADD_FAILURE() << "opened";
    } catch (const ReadError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  FileSource standard_input("-");
  EXPECT_EQ(standard_input.name(), "standard input");
}

TEST(FileSource, ReadAtAnyOffsetOrInChunksAsTheFileAllows) {
  // A regular file is read at offsets (by several threads at once); standard input, and a file
  // of /proc that says it is empty but is not, are read in chunks.
  const ScratchDir dir;
  std::string text;
  for (int i = 0; text.size() < 3 * 65536; ++i) text += "row " + std::to_string(i) + "\n";
  FileSource source(dir.write("t.csv", text));
  ASSERT_EQ(source.size(), text.size());
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (const std::size_t offset : {std::size_t{0}, std::size_t{7}, text.size() / 2}) {
    threads.emplace_back([&, offset] {
      std::string bytes(text.size() - offset, '?');
      source.read_at(offset, bytes.data(), bytes.size());
      if (bytes != text.substr(offset)) ++wrong;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_NO_THROW(source.check_unchanged());

  EXPECT_EQ(FileSource("-").size(), std::nullopt);
  FileSource status("/proc/self/status");
  EXPECT_EQ(status.size(), std::nullopt);
  char buffer[64] = {};
  EXPECT_GT(status.read(buffer, sizeof buffer), 0u) << "read as empty";
}

TEST(FileSource, AFileThatChangesWhileItIsReadIsAnError) {
  const ScratchDir dir;
  const std::string text(100000, 'x');
  const struct {
    const char* name;
    std::uintmax_t new_size;  // the file cut to this size, or grown
    std::uint64_t offset;     // where the next read is
    const char* reason;       // after "the file changed while it was read "
  } cases[] = {
      {"cut short, read beyond its end", 1000, 50000, "(it became shorter)"},
      {"cut short, read before its end", 1000, 0, "(it became shorter)"},
      {"grown", 200000, 0, "(it became longer)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.write("t.csv", text);
    FileSource source(path);
    ASSERT_TRUE(source.size());
    std::filesystem::resize_file(path, c.new_size);
    std::string bytes(100, '?');
    try {
      source.read_at(c.offset, bytes.data(), bytes.size());
      source.check_unchanged();
      ADD_FAILURE() << "no error";
    } catch (const ReadError& e) {
      EXPECT_EQ(e.reason(), std::string("the file changed while it was read ") + c.reason);
      EXPECT_EQ(e.file(), path);
    }
  }
}

}  // namespace
}  // namespace kelvaro::tools
