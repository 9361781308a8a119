#pragma once
// kelvaro-plan's command line: its options, each bound to the value of the request it gives
// (plan_request.h checks the request as it checks every caller's). An option not given leaves
// its value out, so that the checks can say which are needed.

#include <CLI/CLI.hpp>
#include <string>

#include "kelvaro/planner.h"

namespace kelvaro::plan {

struct CommandLine {
  PlanRequest request;
  std::string output;      // -o FILE; empty: standard output
  bool quiet = false;      // no progress bar and no notes
  std::string pilot_file;  // --from-pilot FILE; empty: none (read into request.pilot by main)
};

// Adds kelvaro-plan's options, --version and the help's footer to `app`, bound to `command`;
// --threads defaults to `default_threads`.
void define_options(CLI::App& app, CommandLine& command, int default_threads);

// The options that put a question to the plan and change its assumptions: --target,
// --until-target, --carryover, --from-pilot (question_options.cpp; define_options adds them).
void define_question_options(CLI::App& app, CommandLine& command);

}  // namespace kelvaro::plan
