// Byte sources: files that cannot be read are errors, never empty input; mapped bytes.

#include "kelvaro/byte_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

TEST(FileSource, MappedBytesGivenBackReadTheSameAgain) {
  const ScratchDir dir;
  std::string text;
  for (int i = 0; text.size() < 3 * 65536; ++i) text += "row " + std::to_string(i) + "\n";
  FileSource source(dir.write("t.csv", text));
  const std::optional<std::string_view> bytes = source.all_bytes();
  ASSERT_TRUE(bytes);
  ASSERT_EQ(*bytes, text);
  for (const std::size_t end :
       {std::size_t{0}, std::size_t{100}, text.size() / 2, text.size(), text.size() + 4096}) {
    SCOPED_TRACE(end);
    source.release_bytes(end);
    EXPECT_EQ(*bytes, text);
  }
}

}  // namespace
}  // namespace kelvaro::tools
