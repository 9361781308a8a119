#pragma once
// Runs the built kelvaro program as a separate process on an input text, capturing standard
// output and standard error as bytes, and the exit status.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace kelvaro::testing {

struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// args: further command-line words, as a shell would take them (e.g. "-q").
inline ProcessResult run_program(const std::string& program, std::string_view input,
                                 const std::string& args = "") {
  char dir_template[] = "/tmp/kelvaro-e2e-XXXXXX";
  const char* dir = mkdtemp(dir_template);
  if (dir == nullptr) return {};
  const std::string base(dir);
  {
    std::ofstream in(base + "/in", std::ios::binary);
    in.write(input.data(), static_cast<std::streamsize>(input.size()));
  }
  const std::string command = "'" + program + "' " + args + " < '" + base + "/in' > '" + base +
                              "/out' 2> '" + base + "/err'";
  const int raw = std::system(command.c_str());
  ProcessResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(base + "/out");
  r.err = slurp(base + "/err");
  std::remove((base + "/in").c_str());
  std::remove((base + "/out").c_str());
  std::remove((base + "/err").c_str());
  rmdir(dir);
  return r;
}

}  // namespace kelvaro::testing
