#include "common/command_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <sstream>

#include "common/output.h"

namespace kelvaro::tools {

void reserve_standard_streams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (opened >= 0 && opened != fd) {  // the lowest free descriptor is `fd` itself
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    std::ostringstream text;
    const int status = app.exit(e, text, std::cerr);
    if (status != 0) return kRefused;
    const bool version = e.get_name() == "CallForVersion";
    try {
      StandardOutput out(version ? "the version" : "the help text");
      out.write(text.str());
      out.finish();
    } catch (const WriteError& failure) {
      print_error(app, failure.what());
      return kWriteFailed;
    }
    return 0;
  }
}

void print_error(const CLI::App& app, const std::string& message) {
  std::cerr << app.get_name() << ": " << message << std::endl;
}

}  // namespace kelvaro::tools
