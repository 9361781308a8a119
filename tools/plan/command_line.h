#pragma once
// kelvaro-plan's command line: the options, and the settings of the run they ask for, checked as
// plan_request.h checks every request. A refused value gets one message saying what is wrong and
// how to put it right.

#include <string>
#include <vector>

#include "plan/plan_runner.h"

namespace kelvaro::plan {

struct CommandLine {
  PlanSettings settings;
  std::string output;               // -o FILE; empty: standard output
  bool quiet = false;               // no progress bar and no notes
  std::vector<std::string> notes;   // what the user should know about how values were taken
};

// What parsing the arguments gave: a run to carry out, or an exit with a status and the text
// for standard output (--help, --version) or standard error (a refusal, "Run with --help ...").
struct ParsedArguments {
  bool run = false;
  CommandLine command;
  int status = 0;        // when !run: 0 for --help and --version, 2 for a refusal
  std::string out_text;  // when !run
  std::string err_text;  // when !run; lines start with "kelvaro-plan: " for our own refusals
};

// default_threads: what --threads defaults to (the machine's cores).
ParsedArguments parse_arguments(int argc, const char* const* argv, int default_threads);

}  // namespace kelvaro::plan
