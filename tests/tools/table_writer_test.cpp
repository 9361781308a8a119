#include "tidy/table_writer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelvaro::tidy {
namespace {

Report small_report() {
  Report r = empty_report();
  r.run.rows = {{"-3", "400"}};
  r.blocks.rows = {{"Sample 1", "7", "9.0000000", "NaN", "0.333", "2", "0.8465"},
                   {"Subset A", "0", "0.0000000", "+Infinity", "", "", ""}};
  r.parameters.rows = {{"PHI", "0.4444", "0.4825", "0.1999", "-0.0000", "**********"}};
  r.replicates.rows = {{"1", "10.", "6.", "4.", "3.", "0.4000", "0.7500", "0.6000", "0.7143",
                        "2.000", "0.8000", "0.8333", "8", "5"}};
  return r;
}

TEST(TableWriter, CsvKeepsTextAndEndsRowsWithCrLf) {
  const struct {
    const char* name;
    const Table* table;
    const char* expected;
  } cases[] = {
      {"blocks", nullptr,
       "block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n"
       "Sample 1,7,9.0000000,NaN,0.333,2,0.8465\r\n"
       "Subset A,0,0.0000000,+Infinity,,,\r\n"},
      {"test", nullptr, "chi_square,df,probability\r\n"},
  };
  const Report r = small_report();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream out;
    write_csv(out, *find_table(r, c.name));
    EXPECT_EQ(out.str(), c.expected);
  }
  EXPECT_EQ(find_table(r, "no such table"), nullptr);
}

TEST(TableWriter, JsonValuesAreTheReportsText) {
  const nlohmann::ordered_json doc = to_json(small_report(), false);
  const struct {
    const char* pointer;
    nlohmann::ordered_json expected;
  } cases[] = {
      {"/run/nreps", "-3"},
      {"/blocks/0/estimate", "9.0000000"},  // text, not the number 9
      {"/blocks/0/SE", "NaN"},
      {"/blocks/1/SE", "+Infinity"},
      {"/blocks/1/mh_chi_square", nullptr},  // not printed for a block without species
      {"/test", nullptr},                    // the test was not made
      {"/parameters/0/lower", "-0.0000"},
      {"/parameters/0/upper", "**********"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pointer);
    EXPECT_EQ(doc.at(nlohmann::ordered_json::json_pointer(c.pointer)), c.expected);
  }
  EXPECT_EQ(doc.size(), 4u);
  EXPECT_EQ(doc.begin().key(), "run");
}

TEST(TableWriter, JsonDetailTablesOnlyOnRequest) {
  const nlohmann::ordered_json doc = to_json(small_report(), true);
  EXPECT_EQ(doc.size(), 8u);
  EXPECT_EQ(doc.at("replicates").at(0).at("R2"), "5");
  EXPECT_EQ(doc.at("block_replicates"), nlohmann::ordered_json::array());
}

}  // namespace
}  // namespace kelvaro::tidy
