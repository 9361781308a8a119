// kelvaro-plan's options: the settings they give, the designs of site lists, and refusals that
// say how to put the value right.

#include <gtest/gtest.h>

#include <sstream>

#include "plan/command_line.h"

namespace kelvaro::plan {
namespace {

const std::string kCommunity =
    "--species 100 --persistence 0.8 --colonists 20 --detection 0.2 --heterogeneity 2";

ParsedArguments parse(const std::string& line) {
  std::vector<std::string> words = {"kelvaro-plan"};
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  return parse_arguments(static_cast<int>(argv.size()), argv.data(), 2);
}

TEST(CommandLine, TakesTheCommunityAndTheDesigns) {
  const ParsedArguments p = parse(kCommunity + " --detection-change 1.5 --sites1 5,10 "
                                               "--sites2 4:8:4,8 --surveys 30 --seed 9");
  ASSERT_TRUE(p.run) << p.err_text;
  const PlanSettings& s = p.command.settings;
  EXPECT_EQ(s.community.species, 100);
  EXPECT_EQ(s.community.persisting, 80);
  EXPECT_EQ(s.community.colonists, 20);
  EXPECT_EQ(s.community.heterogeneity, 2.0);
  EXPECT_EQ(s.community.detection_change, 1.5);
  const std::vector<Design> crossed = {{5, 4}, {5, 8}, {10, 4}, {10, 8}};
  EXPECT_EQ(s.designs, crossed);
  EXPECT_EQ(s.surveys, 30);
  EXPECT_EQ(s.replicates, 100);
  EXPECT_EQ(s.seed, 9u);
  EXPECT_EQ(s.threads, 2);
  EXPECT_TRUE(p.command.notes.empty());
}

TEST(CommandLine, SiteListsAndRanges) {
  const struct {
    const char* list;
    std::vector<std::int32_t> sites;
  } cases[] = {
      {"5,10,20", {5, 10, 20}},  {"5:20:5", {5, 10, 15, 20}}, {"2:7:2,40", {2, 4, 6, 40}},
      {"3:5", {3, 4, 5}},        {"1,98", {1, 98}},           {"10,10:20:10", {10, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    const ParsedArguments p = parse(kCommunity + " --sites " + c.list);
    ASSERT_TRUE(p.run) << p.err_text;
    std::vector<std::int32_t> sites;
    for (const Design& d : p.command.settings.designs) {
      EXPECT_EQ(d.sites1, d.sites2);
      sites.push_back(d.sites1);
    }
    EXPECT_EQ(sites, c.sites);
  }
}

TEST(CommandLine, PersistenceThatIsNotWholeIsRoundedWithANote) {
  const ParsedArguments p = parse(
      "--species 10 --persistence 0.75 --detection 0.5 --heterogeneity none --sites 5");
  ASSERT_TRUE(p.run) << p.err_text;
  EXPECT_EQ(p.command.settings.community.persisting, 8);
  ASSERT_EQ(p.command.notes.size(), 1u);
  EXPECT_EQ(p.command.notes[0],
            "note: 10 species x persistence 0.75 = 7.5 persisting species; simulating 8 "
            "(PHI = 0.8)");
}

TEST(CommandLine, RefusesWithAMessageSayingHowToFixIt) {
  const std::string sites = " --sites 10";
  const struct {
    std::string line;
    const char* message;
  } cases[] = {
      {"--species 100 --heterogeneity 2 --detection 0" + sites,
       "--detection must be above 0 and at most 1 (a probability), not 0"},
      {"--species 100 --heterogeneity 2 --detection 1.5" + sites,
       "--detection must be above 0 and at most 1 (a probability), not 1.5"},
      {"--species 100 --heterogeneity 2 --detection nan" + sites,
       "--detection must be above 0 and at most 1 (a probability), not nan"},
      {"--detection 0.2 --heterogeneity 2" + sites,
       "--species N is needed: the species richness of Sample 1's community"},
      {"--species 0 --detection 0.2 --heterogeneity 2" + sites,
       "--species must be 1 to 1000000, not 0"},
      {"--species 100 --detection 0.2" + sites, "--heterogeneity K is needed"},
      {"--species 100 --detection 0.2 --heterogeneity strong" + sites,
       "--heterogeneity must be a positive number K"},
      {"--species 100 --detection 0.2 --heterogeneity 0" + sites,
       "--heterogeneity must be a positive number K"},
      {"--species 100 --persistence 1.2 --detection 0.2 --heterogeneity 2" + sites,
       "--persistence must be between 0 and 1 (a share of Sample 1's species), not 1.2"},
      {"--species 100 --persistence 0 --detection 0.2 --heterogeneity 2" + sites,
       "Sample 2's community is empty: give --colonists or a larger --persistence"},
      {kCommunity + " --detection-change 6" + sites,
       "--detection-change 6 with --detection 0.2 gives Sample 2 a mean detection of 1.2; "
       "choose R at most 1/MEAN = 5"},
      {kCommunity, "the designs are needed: --sites LIST"},
      {kCommunity + " --sites 0", "--sites: 0 sites: kelvaro takes 1 to 98 sites per sample"},
      {kCommunity + " --sites 5:99:5", "--sites: 99 sites: kelvaro takes 1 to 98 sites per sample"},
      {kCommunity + " --sites 20:5", "--sites: '20:5': a range runs upwards with a positive step"},
      {kCommunity + " --sites 5:20:0", "--sites: '5:20:0': a range runs upwards"},
      {kCommunity + " --sites 5,,10", "--sites: '' is not a number of sites"},
      {kCommunity + " --sites 5:x", "--sites: '5:x' is not a number of sites"},
      {kCommunity + " --sites 5 --sites1 5", "give either --sites LIST"},
      {kCommunity + " --sites1 5", "--sites1 and --sites2 go together"},
      {kCommunity + sites + " --nreps 0", "--nreps must be 1 to 10000"},
      {kCommunity + sites + " --threads 0", "--threads must be 1 to 1024, not 0"},
      {kCommunity + sites + " --surveys 0", "--surveys must be at least 1, not 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedArguments p = parse(c.line);
    EXPECT_FALSE(p.run);
    EXPECT_EQ(p.status, 2);
    EXPECT_EQ(p.out_text, "");
    EXPECT_NE(p.err_text.find(c.message), std::string::npos) << p.err_text;
  }
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
  for (const char* option : {"--help", "--version"}) {
    SCOPED_TRACE(option);
    const ParsedArguments p = parse(option);
    EXPECT_FALSE(p.run);
    EXPECT_EQ(p.status, 0);
    EXPECT_NE(p.out_text.find("kelvaro-plan"), std::string::npos);
  }
}

}  // namespace
}  // namespace kelvaro::plan
