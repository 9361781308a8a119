// kelvaro-plan: bias, precision and interval coverage of kelvaro's estimates for survey designs,
// by simulating surveys of an assumed community and analysing each as kelvaro would.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <new>

#include "command_line.h"
#include "common/command_line.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"
#include "progress_bar.h"

namespace plan = kelvaro::plan;
namespace tools = kelvaro::tools;

namespace {

// The file of -o, under a temporary name until committed.
tools::ReplacingFile results_file(const std::string& path) {
  return tools::ReplacingFile(path, "the results file " + path);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Plans a survey: bias, precision and interval coverage of kelvaro's estimates "
      "for each design, by simulation.",
      "kelvaro-plan"};
  tools::reserve_standard_streams();
  kelvaro::cli::write_errors_for_file_size_limit();
  plan::CommandLine command;
  plan::define_options(app, command, plan::default_threads());
  if (const auto status = tools::parse_command_line(app, argc, argv)) return *status;
  // KELVARO_ISA asking for a vector path this processor lacks: said once, as kelvaro says it.
  const std::string isa_warning = kelvaro::isa_request_warning(app.get_name().c_str());
  if (!isa_warning.empty()) std::cerr << isa_warning << std::endl;
  tools::remove_temporaries_on_stop_signals();
  plan::CheckedPlan checked;
  try {
    if (!command.pilot_file.empty()) {
      command.request.pilot = plan::read_pilot(command.pilot_file, "--from-pilot");
    }
    checked = plan::check_request(command.request, plan::OptionStyle::kCommandLine);
  } catch (const plan::OptionError& e) {
    tools::print_error(app, e.what());
    return tools::kRefused;
  }
  if (!command.quiet) {
    for (const std::string& note : checked.notes) tools::print_error(app, note);
  }
  // The pilot's fit and the answer to the targets are results: shown even with --quiet.
  if (checked.pilot_fit) tools::print_error(app, checked.pilot_account);
  if (!command.quiet) {
    for (const std::string& w : checked.warnings) tools::print_error(app, "warning: " + w);
  }
  try {
    // A file that cannot be written fails before the simulation rather than after it; the trial
    // file is removed at once, so that an interrupted run leaves nothing behind.
    if (!command.output.empty()) results_file(command.output);
    plan::ProgressBar bar(STDERR_FILENO, !command.quiet && ::isatty(STDERR_FILENO) != 0);
    bool told = false;  // once, though a search for a design meeting targets runs again
    checked.settings.threads_short = [&](int asked, int used) {
      if (!told) tools::print_error(app, kelvaro::threads_short_text(asked, used, "the run"));
      told = true;
    };
    const plan::PlanResult result = plan::plan_survey(
        checked, [&bar](std::int64_t done, std::int64_t total) { bar.update(done, total); });
    bar.erase();
    const std::string csv = plan::results_csv(result);
    if (command.output.empty()) {
      tools::StandardOutput out("the results");
      out.write(csv);
      out.finish();
    } else {
      tools::ReplacingFile out = results_file(command.output);
      out.write(csv);
      out.commit();
    }
    const plan::PlanAnswer& answer = result.answer;
    if (!command.quiet) {
      for (const std::string& w : answer.warnings) tools::print_error(app, "warning: " + w);
    }
    if (answer.kind != plan::AnswerKind::kNoTargets) tools::print_error(app, answer.text);
  } catch (const tools::WriteError& e) {
    tools::print_error(app, e.what());
    return tools::kWriteFailed;
  } catch (const std::bad_alloc&) {
    tools::print_error(app, "out of memory: give fewer designs or --surveys");
    return tools::kWriteFailed;
  }
  return 0;
}
