#include "support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvaro::tools_test {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  dir_ = std::filesystem::temp_directory_path() /
         ("kelvaro-tools-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string ScratchDir::write(const std::string& name, const std::string& text) const {
  std::ofstream(path(name), std::ios::binary) << text;
  return path(name);
}

RunResult run(const std::string& command, const std::string& input) {
  const ScratchDir io;
  const std::string in = io.write("stdin", input);
  const int raw = std::system((command + " <" + quoted(in) + " >" + quoted(io.path("stdout")) +
                               " 2>" + quoted(io.path("stderr")))
                                  .c_str());
  RunResult r;
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = read_file(io.path("stdout"));
  r.err = read_file(io.path("stderr"));
  return r;
}

}  // namespace kelvaro::tools_test
