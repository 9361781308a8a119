#include <cstdint>
#include <limits>

#include "command_line.h"
#include "common/command_line.h"

namespace kelvaro::plan {

void define_question_options(CLI::App& app, CommandLine& command) {
  PlanRequest& r = command.request;
  namespace tools = kelvaro::tools;
  constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  app.add_option("--target", r.targets,
                 "a target to meet, e.g. 'N(1):bias<=0.10,coverage>=0.90' (repeatable; criteria "
                 "bias, rmse, width <= X, coverage >= X): the CSV says which rows meet it and a "
                 "line on standard error names the smallest design that meets every target")
      ->type_name("TARGET");
  app.add_flag("--until-target", r.until_target,
               "with --sites: go on beyond the list, at its last step, until a design meets "
               "every target, to 250 sites (or twice the list's largest)");
  tools::add_whole_number_function<std::int64_t>(
      app, "--max-surveys", "--max-surveys", std::numeric_limits<std::int64_t>::min(),
      std::numeric_limits<std::int64_t>::max(), [&r](std::int64_t n) { r.max_surveys = n; },
      "with --target: the most surveys of a design as rounds are added until the answer is "
      "decided (default: 16 times the first round's)")
      ->type_name("N");
  app.add_option("--carryover", r.carryover,
                 "a persisting species' detection probability in Sample 2: 'kept' (default) or "
                 "'redrawn' from the same distribution (another observer, season or habitat "
                 "state)")
      ->type_name("kept|redrawn");
  app.add_option("--from-pilot", command.pilot_file,
                 "fit N, MEAN and K to a pilot survey (a site-by-species CSV, or a kelvaro "
                 "input's Sample 1) for the options not given; with --target, plan over the "
                 "communities consistent with it")
      ->type_name("FILE");
  tools::add_real_number_option(
      app, "--assurance", "--assurance", r.assurance,
      "with --from-pilot and --target: the share of the communities consistent with the pilot "
      "in which the design named must meet every target (default 0.8)")
      ->type_name("SHARE");
  tools::add_whole_number_option(app, "--communities", "--communities", r.communities, kLeast,
                                 kMost,
                                 "with --from-pilot and --target: communities consistent with the "
                                 "pilot in the first round (default 100)")
      ->type_name("N");
  tools::add_whole_number_option(app, "--community-surveys", "--community-surveys",
                                 r.community_surveys, kLeast, kMost,
                                 "simulated surveys of each of those communities with each "
                                 "design (default 25)")
      ->type_name("S");
}

}  // namespace kelvaro::plan
