// Requests checked as every caller's are: the settings they give, the designs of site lists, and
// refusals that say how to put the value right, with the options named as the command line writes
// them ("--detection-change") and as the R package's arguments ("detection_change").

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

PlanRequest valid_request() {
  PlanRequest r;
  r.species = 100;
  r.persistence = 0.8;
  r.colonists = 20;
  r.detection = 0.2;
  r.heterogeneity = "2";
  r.sites = "5,10";
  return r;
}

TEST(PlanRequest, GivesTheSettings) {
  PlanRequest r = valid_request();
  r.detection_change = 1.5;
  r.sites.reset();
  r.sites1 = "5,10";
  r.sites2 = "4:8:4,8";
  r.surveys = 30;
  r.seed = 9;
  r.threads = 2;
  const CheckedPlan checked = check_request(r, OptionStyle::kCommandLine);
  const PlanSettings& s = checked.settings;
  EXPECT_EQ(s.community.species, 100);
  EXPECT_EQ(s.community.persisting, 80);
  EXPECT_EQ(s.community.colonists, 20);
  EXPECT_EQ(s.community.mean_detection, 0.2);
  EXPECT_EQ(s.community.heterogeneity, 2.0);
  EXPECT_EQ(s.community.detection_change, 1.5);
  // Every pair of the two lists, Sample 1's the outer loop; 8 given twice is kept once.
  const std::vector<Design> crossed = {{5, 4}, {5, 8}, {10, 4}, {10, 8}};
  EXPECT_EQ(s.designs, crossed);
  EXPECT_EQ(s.surveys, 30);
  EXPECT_EQ(s.replicates, 100);
  EXPECT_EQ(s.seed, 9u);
  EXPECT_EQ(s.threads, 2);
  EXPECT_TRUE(checked.notes.empty());
  r.heterogeneity = "none";
  EXPECT_FALSE(check_request(r, OptionStyle::kArgument).settings.community.heterogeneity);
}

TEST(PlanRequest, PersistenceThatIsNotWholeIsRoundedWithANote) {
  const struct {
    std::int32_t species;
    double persistence;
    std::int32_t persisting;
    const char* note;
  } cases[] = {
      {10, 0.75, 8,
       "note: 10 species x persistence 0.75 = 7.5 persisting species; simulating 8 (PHI = 0.8)"},
      {100, 0.817, 82,
       "note: 100 species x persistence 0.817 = 81.7 persisting species; simulating 82 "
       "(PHI = 0.82)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    PlanRequest r = valid_request();
    r.species = c.species;
    r.persistence = c.persistence;
    for (const OptionStyle style : {OptionStyle::kCommandLine, OptionStyle::kArgument}) {
      const CheckedPlan checked = check_request(r, style);
      EXPECT_EQ(checked.settings.community.persisting, c.persisting);
      EXPECT_EQ(checked.notes, std::vector<std::string>{c.note});
    }
  }
}

TEST(PlanRequest, SiteListsAndRanges) {
  const struct {
    const char* list;
    std::vector<std::int32_t> sites;
  } cases[] = {
      {"5,10,20", {5, 10, 20}}, {"5:20:5", {5, 10, 15, 20}}, {"2:7:2,40", {2, 4, 6, 40}},
      {"3:5", {3, 4, 5}},       {"1,98", {1, 98}},           {"10,10:20:10", {10, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    PlanRequest r = valid_request();
    r.sites = c.list;
    std::vector<std::int32_t> sites;
    for (const Design& d : check_request(r, OptionStyle::kCommandLine).settings.designs) {
      EXPECT_EQ(d.sites1, d.sites2);
      sites.push_back(d.sites1);
    }
    EXPECT_EQ(sites, c.sites);
  }
}

TEST(PlanRequest, RefusalsSayHowToFixTheValueInTheCallersNames) {
  const auto sites_only = [](const char* list) {
    return [list](PlanRequest& r) { r.sites = list; };
  };
  const struct {
    const char* what;
    std::function<void(PlanRequest&)> change;
    const char* command_line;  // the message with the options as the command line names them
    const char* argument;      // and as the R package's arguments
  } cases[] = {
      {"no species", [](PlanRequest& r) { r.species.reset(); },
       "--species N is needed: the species richness of Sample 1's community",
       "species is needed: the species richness of Sample 1's community"},
      {"species 0", [](PlanRequest& r) { r.species = 0; }, "--species must be 1 to 1000000, not 0",
       "species must be 1 to 1000000, not 0"},
      {"detection 0", [](PlanRequest& r) { r.detection = 0.0; },
       "--detection must be above 0 and at most 1 (a probability), not 0",
       "detection must be above 0 and at most 1 (a probability), not 0"},
      {"detection 1.5", [](PlanRequest& r) { r.detection = 1.5; },
       "--detection must be above 0 and at most 1 (a probability), not 1.5",
       "detection must be above 0 and at most 1 (a probability), not 1.5"},
      {"detection NaN", [](PlanRequest& r) { r.detection = std::nan(""); },
       "--detection must be above 0 and at most 1 (a probability), not nan",
       "detection must be above 0 and at most 1 (a probability), not nan"},
      {"no heterogeneity", [](PlanRequest& r) { r.heterogeneity.reset(); },
       "--heterogeneity K is needed: the Beta concentration of detection among species (for "
       "example 2; smaller is stronger heterogeneity), or 'none' for equal detection",
       "heterogeneity is needed: the Beta concentration of detection among species (for "
       "example 2; smaller is stronger heterogeneity), or 'none' for equal detection"},
      {"heterogeneity in words", [](PlanRequest& r) { r.heterogeneity = "strong"; },
       "--heterogeneity must be a positive number K (the Beta concentration; smaller is "
       "stronger heterogeneity) or 'none' for equal detection, not 'strong'",
       "heterogeneity must be a positive number K (the Beta concentration; smaller is "
       "stronger heterogeneity) or 'none' for equal detection, not 'strong'"},
      {"heterogeneity 0", [](PlanRequest& r) { r.heterogeneity = "0"; },
       "--heterogeneity must be a positive number K (the Beta concentration; smaller is "
       "stronger heterogeneity) or 'none' for equal detection, not '0'",
       "heterogeneity must be a positive number K (the Beta concentration; smaller is "
       "stronger heterogeneity) or 'none' for equal detection, not '0'"},
      {"persistence 1.2", [](PlanRequest& r) { r.persistence = 1.2; },
       "--persistence must be between 0 and 1 (a share of Sample 1's species), not 1.2",
       "persistence must be between 0 and 1 (a share of Sample 1's species), not 1.2"},
      {"empty Sample 2",
       [](PlanRequest& r) {
         r.persistence = 0.0;
         r.colonists = 0;
       },
       "Sample 2's community is empty: give --colonists or a larger --persistence",
       "Sample 2's community is empty: give colonists or a larger persistence"},
      {"detection change too large", [](PlanRequest& r) { r.detection_change = 6.0; },
       "--detection-change 6 with --detection 0.2 gives Sample 2 a mean detection of 1.2; "
       "choose R at most 1/MEAN = 5",
       "detection_change 6 with detection 0.2 gives Sample 2 a mean detection of 1.2; choose R "
       "at most 1/MEAN = 5"},
      {"no designs", [](PlanRequest& r) { r.sites.reset(); },
       "the designs are needed: --sites LIST (for example 5,10,20 or 5:50:5), or --sites1 LIST "
       "and --sites2 LIST",
       "the designs are needed: sites (for example 5,10,20 or 5:50:5), or sites1 and sites2"},
      {"0 sites", sites_only("0"), "--sites: 0 sites: kelvaro takes 1 to 1000 sites per sample",
       "sites: 0 sites: kelvaro takes 1 to 1000 sites per sample"},
      {"a range to 1001 sites", sites_only("5:1001:7"),
       "--sites: 1001 sites: kelvaro takes 1 to 1000 sites per sample",
       "sites: 1001 sites: kelvaro takes 1 to 1000 sites per sample"},
      {"99 sites of Sample 2",
       [](PlanRequest& r) {
         r.sites.reset();
         r.sites1 = "4";
         r.sites2 = "5,1001";
       },
       "--sites2: 1001 sites: kelvaro takes 1 to 1000 sites per sample",
       "sites2: 1001 sites: kelvaro takes 1 to 1000 sites per sample"},
      {"a range downwards", sites_only("20:5"),
       "--sites: '20:5': a range runs upwards with a positive step, as in 5:50:5",
       "sites: '20:5': a range runs upwards with a positive step, as in 5:50:5"},
      {"a range with step 0", sites_only("5:20:0"),
       "--sites: '5:20:0': a range runs upwards with a positive step, as in 5:50:5",
       "sites: '5:20:0': a range runs upwards with a positive step, as in 5:50:5"},
      {"an empty item", sites_only("5,,10"),
       "--sites: '' is not a number of sites; give whole numbers or ranges such as 5:50:5",
       "sites: '' is not a number of sites; give whole numbers or ranges such as 5:50:5"},
      {"a range to a word", sites_only("5:x"),
       "--sites: '5:x' is not a number of sites; give whole numbers or ranges such as 5:50:5",
       "sites: '5:x' is not a number of sites; give whole numbers or ranges such as 5:50:5"},
      {"sites and sites1", [](PlanRequest& r) { r.sites1 = "5"; },
       "give either --sites LIST (equal numbers of sites) or --sites1 LIST and --sites2 LIST, "
       "not both",
       "give either sites (equal numbers of sites) or sites1 and sites2, not both"},
      {"sites1 alone",
       [](PlanRequest& r) {
         r.sites.reset();
         r.sites1 = "5";
       },
       "--sites1 and --sites2 go together: give both lists",
       "sites1 and sites2 go together: give both lists"},
      {"no replicates", [](PlanRequest& r) { r.nreps = 0; },
       "--nreps must be 1 to 10000 (intervals need replicates), not 0",
       "nreps must be 1 to 10000 (intervals need replicates), not 0"},
      {"no threads", [](PlanRequest& r) { r.threads = 0; }, "--threads must be 1 to 1024, not 0",
       "threads must be 1 to 1024, not 0"},
      {"no surveys", [](PlanRequest& r) { r.surveys = 0; }, "--surveys must be at least 1, not 0",
       "surveys must be at least 1, not 0"},
      {"one design of too many surveys",
       [](PlanRequest& r) {
         r.sites = "5";
         r.surveys = 20000000;
       },
       "1 design x 20000000 surveys is more than 10000000 simulated surveys; give fewer designs "
       "or --surveys",
       "1 design x 20000000 surveys is more than 10000000 simulated surveys; give fewer designs "
       "or surveys"},
      {"a relative bias of B without colonists",
       [](PlanRequest& r) {
         r.colonists = 0;
         r.targets = {"N(1):bias<=0.1", "B:coverage>=0.9,bias<=0.1"};
       },
       "--target 'B:coverage>=0.9,bias<=0.1': B's true value is 0 (no colonists: --colonists 0), "
       "so its relative bias, a share of the true value, has no value for any design; give B a "
       "target on rmse, width or coverage, or assume colonists",
       "target 'B:coverage>=0.9,bias<=0.1': B's true value is 0 (no colonists: colonists 0), so "
       "its relative bias, a share of the true value, has no value for any design; give B a "
       "target on rmse, width or coverage, or assume colonists"},
      {"a relative bias of PHI without persisting species",
       [](PlanRequest& r) {
         r.persistence = 0.0;
         r.targets = {"GAMMA:bias<=0.1"};
       },
       "--target 'GAMMA:bias<=0.1': GAMMA's true value is 0 (no persisting species: --persistence "
       "0), so its relative bias, a share of the true value, has no value for any design; give "
       "GAMMA a target on rmse, width or coverage, or assume persisting species",
       "target 'GAMMA:bias<=0.1': GAMMA's true value is 0 (no persisting species: persistence 0), "
       "so its relative bias, a share of the true value, has no value for any design; give GAMMA "
       "a target on rmse, width or coverage, or assume persisting species"},
      {"assurance 1", [](PlanRequest& r) { r.assurance = 1.0; },
       "--assurance must be above 0 and below 1 (a share of the communities consistent with the "
       "pilot), not 1",
       "assurance must be above 0 and below 1 (a share of the communities consistent with the "
       "pilot), not 1"},
      {"too few communities", [](PlanRequest& r) { r.communities = 9; },
       "--communities must be at least 10 (a share of fewer says little), not 9",
       "communities must be at least 10 (a share of fewer says little), not 9"},
      {"no surveys of a community", [](PlanRequest& r) { r.community_surveys = 0; },
       "--community-surveys must be at least 1, not 0",
       "community_surveys must be at least 1, not 0"},
      {"most surveys below the first round's",
       [](PlanRequest& r) {
         r.targets = {"N(1):bias<=0.1"};
         r.max_surveys = 199;
       },
       "--max-surveys must be from the first round's 200 surveys of a design (--surveys) to "
       "10000000, not 199",
       "max_surveys must be from the first round's 200 surveys of a design (surveys) to 10000000, "
       "not 199"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PlanRequest r = valid_request();
    c.change(r);
    for (const auto& [style, message] : {std::pair{OptionStyle::kCommandLine, c.command_line},
                                         std::pair{OptionStyle::kArgument, c.argument}}) {
      try {
        check_request(r, style);
        ADD_FAILURE() << "not refused: " << message;
      } catch (const OptionError& e) {
        EXPECT_STREQ(e.what(), message);
      }
    }
  }
}

}  // namespace
}  // namespace kelvaro::plan
