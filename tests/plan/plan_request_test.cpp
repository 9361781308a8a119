// Requests checked for a caller that names its options as function arguments (the R package):
// the same checks as the command line's, with the options named as that caller's user writes them.

#include <gtest/gtest.h>

#include <functional>

#include "plan/option_error.h"
#include "plan/plan_request.h"

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

TEST(PlanRequest, RefusalsNameTheArgumentsAsWritten) {
  const struct {
    const char* what;
    std::function<void(PlanRequest&)> change;
    const char* message;
  } cases[] = {
      {"no species", [](PlanRequest& r) { r.species.reset(); },
       "species is needed: the species richness of Sample 1's community"},
      {"detection 1.5", [](PlanRequest& r) { r.detection = 1.5; },
       "detection must be above 0 and at most 1 (a probability), not 1.5"},
      {"detection change too large", [](PlanRequest& r) { r.detection_change = 6.0; },
       "detection_change 6 with detection 0.2 gives Sample 2 a mean detection of 1.2; choose R "
       "at most 1/MEAN = 5"},
      {"empty Sample 2",
       [](PlanRequest& r) {
         r.persistence = 0.0;
         r.colonists = 0;
       },
       "Sample 2's community is empty: give colonists or a larger persistence"},
      {"sites and sites1", [](PlanRequest& r) { r.sites1 = "5"; },
       "give either sites (equal numbers of sites) or sites1 and sites2, not both"},
      {"no designs", [](PlanRequest& r) { r.sites.reset(); },
       "the designs are needed: sites (for example 5,10,20 or 5:50:5), or sites1 and sites2"},
      {"sites1 alone",
       [](PlanRequest& r) {
         r.sites.reset();
         r.sites1 = "5";
       },
       "sites1 and sites2 go together: give both lists"},
      {"99 sites", [](PlanRequest& r) { r.sites = "5,99"; },
       "sites: 99 sites: kelvaro takes 1 to 98 sites per sample"},
      {"no replicates", [](PlanRequest& r) { r.nreps = 0; },
       "nreps must be 1 to 10000 (intervals need replicates), not 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PlanRequest r = valid_request();
    c.change(r);
    try {
      check_request(r, OptionStyle::kArgument);
      ADD_FAILURE() << "not refused";
    } catch (const OptionError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(PlanRequest, GivesTheSettingsAndNotes) {
  PlanRequest r = valid_request();
  r.persistence = 0.817;
  r.sites.reset();
  r.sites1 = "4:8:4";
  r.sites2 = "6";
  r.heterogeneity = "none";
  const CheckedPlan checked = check_request(r, OptionStyle::kArgument);
  EXPECT_EQ(checked.settings.community.persisting, 82);
  EXPECT_FALSE(checked.settings.community.heterogeneity.has_value());
  const std::vector<Design> designs = {{4, 6}, {8, 6}};
  EXPECT_EQ(checked.settings.designs, designs);
  ASSERT_EQ(checked.notes.size(), 1u);
  EXPECT_EQ(checked.notes[0],
            "note: 100 species x persistence 0.817 = 81.7 persisting species; simulating 82 "
            "(PHI = 0.82)");
}

}  // namespace
}  // namespace kelvaro::plan
