// kelvaro-plan's options: each given one lands in its value of the request, one not given is left
// out for the checks (plan_request_test.cpp) to ask for.

#include "plan/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kelvaro::plan {
namespace {

// The words as kelvaro-plan's arguments, with --threads defaulting to 2.
CommandLine parse(const std::vector<std::string>& words) {
  std::vector<const char*> argv = {"kelvaro-plan"};
  for (const std::string& w : words) argv.push_back(w.c_str());
  CLI::App app;
  CommandLine command;
  define_options(app, command, 2);
  app.parse(static_cast<int>(argv.size()), argv.data());
  return command;
}

CommandLine parse(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return parse(words);
}

TEST(CommandLine, EveryOptionGivesItsValue) {
  const CommandLine c = parse(
      "--species 100 --persistence 0.8 --colonists 20 --detection 0.2 --heterogeneity 2 "
      "--detection-change 1.5 --sites1 5,10 --sites2 4:8:4,8 --surveys 30 --nreps 40 --seed 9 "
      "--threads 3 -o plan.csv -q --max-surveys 900 --assurance 0.9 --communities 40 "
      "--community-surveys 12");
  const PlanRequest& r = c.request;
  EXPECT_EQ(r.species, 100);
  EXPECT_EQ(r.persistence, 0.8);
  EXPECT_EQ(r.colonists, 20);
  EXPECT_EQ(r.detection, 0.2);
  EXPECT_EQ(r.heterogeneity, "2");
  EXPECT_EQ(r.detection_change, 1.5);
  EXPECT_FALSE(r.sites);
  EXPECT_EQ(r.sites1, "5,10");
  EXPECT_EQ(r.sites2, "4:8:4,8");
  EXPECT_EQ(r.surveys, 30);
  EXPECT_EQ(r.nreps, 40);
  EXPECT_EQ(r.seed, 9u);
  EXPECT_EQ(r.threads, 3);
  EXPECT_EQ(c.output, "plan.csv");
  EXPECT_TRUE(c.quiet);
  EXPECT_EQ(r.max_surveys, 900);
  EXPECT_EQ(r.assurance, 0.9);
  EXPECT_EQ(r.communities, 40);
  EXPECT_EQ(r.community_surveys, 12);
}

TEST(CommandLine, OptionsNotGivenAreLeftOutOrTakeTheirDefaults) {
  const CommandLine none = parse(std::vector<std::string>{});
  const PlanRequest& r = none.request;
  EXPECT_FALSE(r.species || r.detection || r.heterogeneity || r.sites || r.sites1 || r.sites2);
  EXPECT_EQ(r.persistence, 1.0);
  EXPECT_EQ(r.colonists, 0);
  EXPECT_EQ(r.detection_change, 1.0);
  EXPECT_EQ(r.surveys, 200);
  EXPECT_EQ(r.nreps, 100);
  EXPECT_EQ(r.seed, 400u);
  EXPECT_EQ(r.threads, 2);
  EXPECT_EQ(none.output, "");
  EXPECT_FALSE(none.quiet);
  EXPECT_FALSE(r.max_surveys);
  EXPECT_EQ(r.assurance, 0.8);
  EXPECT_EQ(r.communities, 100);
  EXPECT_EQ(r.community_surveys, 25);
  // An empty value is given, and refused rather than asked for: a count as not a whole number
  // at once, a real as 0, out of range, by the checks.
  EXPECT_THROW(parse(std::vector<std::string>{"--species", ""}), CLI::ValidationError);
  const CommandLine empty = parse(std::vector<std::string>{"--detection", ""});
  EXPECT_EQ(empty.request.detection, 0.0);
}

}  // namespace
}  // namespace kelvaro::plan
