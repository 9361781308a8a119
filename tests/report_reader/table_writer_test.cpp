#include <gtest/gtest.h>

#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

Report small_report() {
  Report r;
  r.run.add_row({"-3", "400"});
  r.blocks.add_row({"Sample 1", "7", "9.0000000", "NaN", "0.333", "2", "0.8465"});
  r.blocks.add_row({"Subset A", "0", "0.0000000", "+Infinity", "", "", ""});
  r.parameters.add_row({"PHI", "0.4444", "0.4825", "0.1999", "-0.0000", "**********"});
  r.replicates.add_row({"1", "10.", "6.", "4.", "3.", "0.4000", "0.7500", "0.6000", "0.7143",
                        "2.000", "0.8000", "0.8333", "8", "5"});
  return r;
}

TEST(TableWriter, CsvKeepsTextAndEndsRowsWithCrLf) {
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"blocks",
       "block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n"
       "Sample 1,7,9.0000000,NaN,0.333,2,0.8465\r\n"
       "Subset A,0,0.0000000,+Infinity,,,\r\n"},
      {"test", "chi_square,df,probability\r\n"},
  };
  const Report r = small_report();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tools::StringOutput out;
    write_csv(out, *find_table(r, c.name));
    EXPECT_EQ(out.text(), c.expected);
  }
  EXPECT_EQ(find_table(r, "no such table"), nullptr);
}

TEST(JsonWriter, NumbersWithThePrintedDigits) {
  const struct {
    const char* printed;
    std::optional<std::string> json;
  } cases[] = {
      // The examples of the header comment.
      {"52.000000", "52.000000"},
      {"3.", "3"},
      {".50", "0.50"},
      {"1.00000000E+08", "1.00000000E+08"},
      {"+3", "3"},
      {"NaN", std::nullopt},
      {"+Infinity", std::nullopt},
      {"-Inf", std::nullopt},
      {"**********", std::nullopt},
      // And the other forms the report prints.
      {"-30", "-30"},
      {"-0.000", "-0.000"},
      {"-.50", "-0.50"},
      {"1.37686916577600001E-002", "1.37686916577600001E-002"},
      {"0", "0"},
      {"10.", "10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.printed);
    EXPECT_EQ(json_number(c.printed), c.json);
  }
  EXPECT_EQ(json_string("a\"b\\c\x01"), "\"a\\\"b\\\\c\\u0001\"");
}

TEST(JsonWriter, DocumentLayout) {
  tools::StringOutput out;
  write_json(out, small_report(), false);
  EXPECT_EQ(out.text(),
            "{\n"
            "  \"run\": {\"nreps\": -3, \"seed\": 400},\n"
            "  \"blocks\": [\n"
            "    {\"block\": \"Sample 1\", \"R\": 7, \"estimate\": 9.0000000, \"SE\": null, "
            "\"SE_text\": \"NaN\", \"mh_chi_square\": 0.333, \"mh_df\": 2, \"mh_probability\": "
            "0.8465},\n"
            "    {\"block\": \"Subset A\", \"R\": 0, \"estimate\": 0.0000000, \"SE\": null, "
            "\"SE_text\": \"+Infinity\", \"mh_chi_square\": null, \"mh_df\": null, "
            "\"mh_probability\": null}\n"
            "  ],\n"
            "  \"test\": null,\n"
            "  \"parameters\": [\n"
            "    {\"parameter\": \"PHI\", \"estimate\": 0.4444, \"bootstrap_average\": 0.4825, "
            "\"standard_error\": 0.1999, \"lower\": -0.0000, \"upper\": null, \"upper_text\": "
            "\"**********\"}\n"
            "  ],\n"
            "  \"estimators\": []\n"
            "}\n");
  tools::StringOutput with_details;
  write_json(with_details, small_report(), true);
  EXPECT_NE(with_details.text().find("\"replicates\": [\n    {\"replicate\": 1, \"N1\": 10, "),
            std::string::npos);
  EXPECT_NE(with_details.text().find("\"block_replicates\": [],\n"), std::string::npos);
}

}  // namespace
}  // namespace kelvaro::tidy
