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

namespace {

// The words for a missing required argument, or nullopt for CLI11's own.
std::optional<std::string> missing_words(const CLI::App& app, const MissingArguments& missing) {
  for (const CLI::Option* option : app.get_options()) {
    if (!option->get_required() || option->count() > 0) continue;
    for (const auto& [name, words] : missing) {
      if (option->get_name() == name) return words;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv,
                                      const MissingArguments& missing) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() != 0) {
      std::string what = e.what();
      if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        what = missing_words(app, missing).value_or(what);
      }
      print_error(app, what + " (" + app.get_name() + " --help)");
      return kRefused;
    }
    std::ostringstream text;
    app.exit(e, text, std::cerr);
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

CLI::Validator non_empty_name() {
  return CLI::Validator(
      [](const std::string& value) {
        return value.empty() ? std::string("an empty name names no file or folder")
                             : std::string();
      },
      "");
}

void print_error(const CLI::App& app, const std::string& message) {
  std::cerr << app.get_name() << ": " << message << std::endl;
}

}  // namespace kelvaro::tools
