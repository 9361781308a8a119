// kelvaro-plan: bias, precision and interval coverage of kelvaro's estimates for survey designs,
// by simulating surveys of an assumed community and analysing each as kelvaro would.

#include <unistd.h>

#include <iostream>
#include <new>
#include <thread>

#include "plan/command_line.h"
#include "plan/output_writer.h"
#include "plan/progress_bar.h"
#include "plan/results_table.h"

namespace plan = kelvaro::plan;

namespace {

constexpr int kFailed = 1;

void tell(const std::string& text) { std::cerr << text << std::flush; }

}  // namespace

int main(int argc, char** argv) {
  const unsigned cores = std::thread::hardware_concurrency();
  const plan::ParsedArguments parsed =
      plan::parse_arguments(argc, argv, cores > 0 ? static_cast<int>(cores) : 1);
  if (!parsed.run) {
    std::cout << parsed.out_text << std::flush;
    tell(parsed.err_text);
    if (parsed.status == 0 && !std::cout) {
      tell("kelvaro-plan: cannot write standard output\n");
      return kFailed;
    }
    return parsed.status;
  }
  const plan::CommandLine& command = parsed.command;
  if (!command.quiet) {
    for (const std::string& note : command.notes) tell("kelvaro-plan: " + note + "\n");
  }
  std::string csv;
  try {
    plan::ProgressBar bar(STDERR_FILENO, !command.quiet && ::isatty(STDERR_FILENO) != 0);
    const auto summaries = plan::run_plan(
        command.settings, [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.erase();
    csv = plan::results_csv(summaries, plan::reported_parameters(command.settings.community));
  } catch (const std::bad_alloc&) {
    tell("kelvaro-plan: out of memory: give fewer designs or --surveys\n");
    return kFailed;
  }
  const std::optional<std::string> failure =
      command.output.empty()
          ? plan::write_descriptor(STDOUT_FILENO, csv, "standard output")
          : plan::write_file_atomically(command.output, csv);
  if (failure) {
    tell("kelvaro-plan: " + *failure + "\n");
    return kFailed;
  }
  return 0;
}
