// The rows of kelvaro-batch's tables: their headers, which scripts rely on, and the pairs' keys.

#include "surveys/result_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "kelvaro/surveys.h"
#include "kelvaro/tables.h"

namespace kelvaro {
namespace {

TEST(ResultTables, BatchHeadersAndKeys) {
  // The files' first lines, which scripts rely on.
  const std::pair<TableKind, const char*> headers[] = {
      {TableKind::kParameters,
       "group,sample1,sample2,parameter,estimate,bootstrap_average,standard_error,lower,upper\r\n"},
      {TableKind::kBlocks,
       "group,sample1,sample2,block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n"},
      {TableKind::kTest, "group,sample1,sample2,chi_square,df,probability\r\n"},
      {TableKind::kEstimators,
       "group,sample1,sample2,block,estimator,estimate,standard_error,lower,upper\r\n"}};
  for (const auto& [kind, header] : headers) EXPECT_EQ(batch::table_header(kind), header);
  EXPECT_EQ(batch::pair_key("7", "2019", "2020"), "7,2019,2020");
  EXPECT_EQ(batch::pair_key("Route 7, north", "2019", "a\"b"),
            "\"Route 7, north\",2019,\"a\"\"b\"");
  Table test(TableKind::kTest);
  test.add_row({"1.5", "2", "0.25"});
  std::string rows;
  batch::append_rows(rows, "g,1,2", test);
  EXPECT_EQ(rows, "g,1,2,1.5,2,0.25\r\n");
}

}  // namespace
}  // namespace kelvaro
