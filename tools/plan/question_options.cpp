#include "command_line.h"

namespace kelvaro::plan {

void define_question_options(CLI::App& app, CommandLine& command) {
  PlanRequest& r = command.request;
  app.add_option("--target", r.targets,
                 "a target to meet, e.g. 'N(1):bias<=0.10,coverage>=0.90' (repeatable; criteria "
                 "bias, rmse, width <= X, coverage >= X): the CSV says which rows meet it and a "
                 "line on standard error names the smallest design that meets every target")
      ->type_name("TARGET");
  app.add_flag("--until-target", r.until_target,
               "with --sites: go on beyond the list, at its last step, until a design meets "
               "every target or 98 sites");
  app.add_option("--carryover", r.carryover,
                 "a persisting species' detection probability in Sample 2: 'kept' (default) or "
                 "'redrawn' from the same distribution (another observer, season or habitat "
                 "state)")
      ->type_name("kept|redrawn");
  app.add_option("--from-pilot", command.pilot_file,
                 "fit N, MEAN and K to a pilot survey (a site-by-species CSV, or a kelvaro "
                 "input's Sample 1) for the options not given")
      ->type_name("FILE");
}

}  // namespace kelvaro::plan
