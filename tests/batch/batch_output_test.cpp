// kelvaro-batch's output directory: labels as file names.

#include "batch/batch_output.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvaro::batch {
namespace {

TEST(BatchOutput, LabelsBecomeDistinctSafeFileNames) {
  const struct {
    std::string label, name;
  } cases[] = {
      // The examples of the header comment.
      {"Route 7/a", "Route%207%2Fa"},
      {"2019-1", "2019%2D1"},
      {"..", "%2E."},
      {"R_12.b", "R_12.b"},
      {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},
      {"", "(none)"},  // the group of a table without a group column
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(file_name_part(c.label), c.name);
  }
  // Long labels are cut with a hash of the whole: still distinct, and short enough.
  const std::string a(300, 'a'), b = a + "b";
  EXPECT_EQ(file_name_part(a).size(), kMaxNamePart);
  EXPECT_NE(file_name_part(a), file_name_part(b));
  EXPECT_EQ(file_name_part(a).substr(0, 103), file_name_part(b).substr(0, 103));
}

}  // namespace
}  // namespace kelvaro::batch
