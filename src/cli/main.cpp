// kelvaro: species richness and community dynamics from two samples of species detections.
// Reads the run header and data blocks from FILE or standard input, writes the report on
// standard output as it was given (appending, piping, a socket), and checks that it got there.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <variant>

#include "bootstrap/isa.h"
#include "cli/arguments.h"
#include "cli/descriptor_output.h"
#include "cli/progress.h"
#include "kelvaro/command_line.h"
#include "kelvaro/kelvaro.h"

namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

constexpr int kStatusWriteFailed = 1;
constexpr int kStatusBadInput = 2;

// Closes standard output and turns any failure to get `what` there into status 1.
int finish_output(kelvaro::cli::DescriptorOutput& out, const char* what, int status) {
  if (out.close()) return status;
  std::cerr << "kelvaro: cannot write " << what << ": " << out.reason() << '\n';
  return status == kStatusBadInput ? status : kStatusWriteFailed;
}

int run_input(const kelvaro::cli::Arguments& args, kelvaro::cli::DescriptorOutput& out_buffer) {
  int fd = kStandardInput;
  kelvaro::Settings settings;
  if (args.file) {
    fd = ::open(args.file->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::cerr << "kelvaro: cannot open " << *args.file << ": " << std::strerror(errno) << '\n';
      return kStatusBadInput;
    }
    settings.input_name = *args.file;
  } else if (::isatty(kStandardInput) == 1) {
    std::cerr << "kelvaro: reading the input from the terminal; end it with Ctrl-D "
                 "(kelvaro --help shows the format)\n";
  }
  kelvaro::DescriptorSource source(fd);
  kelvaro::cli::ConsoleObserver console(kStandardError, ::isatty(kStandardError) == 1, !args.quiet);
  settings.observer = &console;
  settings.check_only = args.check;
  settings.threads = args.threads > 0
                         ? args.threads
                         : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  std::ostream out(&out_buffer);
  const kelvaro::RunResult result = kelvaro::run_text(source, settings, &out);
  if (fd != kStandardInput) ::close(fd);
  std::cerr << result.diagnostic;
  int status = kelvaro::exit_status(result.status);
  // --check: 1 says the input holds something to look at, a probable slip; what the samples
  // are (kelvaro::describes_samples) is told without changing the status.
  const bool slips =
      std::any_of(result.warnings.begin(), result.warnings.end(),
                  [](const kelvaro::Warning& w) { return !describes_samples(w.kind); });
  if (args.check && status == 0 && slips) status = 1;
  return finish_output(out_buffer, "the report", status);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  kelvaro::cli::write_errors_for_file_size_limit();
  kelvaro::cli::DescriptorOutput out_buffer(kStandardOutput);
  const auto parsed = kelvaro::cli::parse_arguments(argc, argv);
  if (const auto* message = std::get_if<std::string>(&parsed)) {
    std::cerr << "kelvaro: " << *message << '\n';
    return kStatusBadInput;
  }
  const auto& args = std::get<kelvaro::cli::Arguments>(parsed);
  if (args.help || args.version) {
    std::ostream out(&out_buffer);
    if (args.help) {
      out << kelvaro::cli::help_text();
    } else {
      out << "kelvaro " << KELVARO_VERSION << '\n';
    }
    return finish_output(out_buffer, args.help ? "the help text" : "the version", 0);
  }
  // KELVARO_ISA asking for a vector path this processor lacks: said once (unless quiet), then the
  // best one taken.
  const std::string isa_warning = kelvaro::isa_request_warning("kelvaro");
  if (!isa_warning.empty() && !args.quiet) std::cerr << isa_warning << '\n';
  return run_input(args, out_buffer);
}
