#pragma once
// Test helper: runs a program through the shell with files for its standard streams, and
// scratch files in a directory of their own.

#include <filesystem>
#include <string>

namespace kelvaro::tools_test {

struct RunResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// Runs `command` (already quoted for the shell) with `input` on standard input.
RunResult run(const std::string& command, const std::string& input = "");

// A fresh directory under the system's temporary directory, removed with the object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // Writes `text` to the file `name` in the directory and returns its path.
  std::string write(const std::string& name, const std::string& text) const;
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

std::string read_file(const std::string& path);

// 'text' with single quotes, for the shell.
std::string quoted(const std::string& text);

}  // namespace kelvaro::tools_test
