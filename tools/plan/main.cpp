// kelvaro-plan: bias, precision and interval coverage of kelvaro's estimates for survey designs,
// by simulating surveys of an assumed community and analysing each as kelvaro would.

#include <unistd.h>

#include <iostream>
#include <memory>
#include <new>
#include <thread>

#include "common/command_line.h"
#include "common/output.h"
#include "plan/command_line.h"
#include "plan/progress_bar.h"
#include "plan/results_table.h"

namespace plan = kelvaro::plan;
namespace tools = kelvaro::tools;

namespace {

void tell(const std::string& line) { std::cerr << "kelvaro-plan: " << line << std::endl; }

// --help and --version on standard output (checked), refusals on standard error.
int finish_without_run(const plan::ParsedArguments& parsed) {
  std::cerr << parsed.err_text << std::flush;
  if (parsed.status != 0) return parsed.status;
  try {
    tools::StandardOutput out("the help text");
    out.write(parsed.out_text);
    out.finish();
  } catch (const tools::WriteError& e) {
    tell(e.what());
    return tools::kWriteFailed;
  }
  return 0;
}

// Where the CSV goes: standard output, or the file of -o under a temporary name until complete.
std::unique_ptr<tools::FdOutput> open_output(const std::string& path) {
  if (path.empty()) return std::make_unique<tools::StandardOutput>("the results");
  return std::make_unique<tools::ReplacingFile>(path, "the results file " + path);
}

void close_output(tools::FdOutput& out, bool to_file) {
  if (to_file) {
    static_cast<tools::ReplacingFile&>(out).commit();
  } else {
    static_cast<tools::StandardOutput&>(out).finish();
  }
}

}  // namespace

int main(int argc, char** argv) {
  tools::reserve_standard_streams();
  const unsigned cores = std::thread::hardware_concurrency();
  const plan::ParsedArguments parsed =
      plan::parse_arguments(argc, argv, cores > 0 ? static_cast<int>(cores) : 1);
  if (!parsed.run) return finish_without_run(parsed);
  const plan::CommandLine& command = parsed.command;
  if (!command.quiet) {
    for (const std::string& note : command.notes) tell(note);
  }
  try {
    // A file that cannot be written fails before the simulation rather than after it; the trial
    // file is removed at once, so that an interrupted run leaves nothing behind.
    if (!command.output.empty()) open_output(command.output);
    plan::ProgressBar bar(STDERR_FILENO, !command.quiet && ::isatty(STDERR_FILENO) != 0);
    const auto summaries = plan::run_plan(
        command.settings, [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.erase();
    const std::unique_ptr<tools::FdOutput> out = open_output(command.output);
    out->write(plan::results_csv(summaries, plan::reported_parameters(command.settings.community)));
    close_output(*out, !command.output.empty());
  } catch (const tools::WriteError& e) {
    tell(e.what());
    return tools::kWriteFailed;
  } catch (const std::bad_alloc&) {
    tell("out of memory: give fewer designs or --surveys");
    return tools::kWriteFailed;
  }
  return 0;
}
