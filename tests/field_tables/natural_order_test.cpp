// The natural order of sample labels: numbers in labels as numbers, whole sets of numbers by
// value, and Sample 1 of a long table in that order or the file's.

#include "kelvaro/natural_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prep_helpers.h"

namespace kelvaro::tools {
namespace {

TEST(NaturalOrder, NumbersInLabelsCountAsNumbers) {
  const struct {
    std::vector<std::string> labels;
    std::vector<std::string> sorted;
  } cases[] = {
      // The examples of the header comment.
      {{"week 12", "week 8", "week 10"}, {"week 8", "week 10", "week 12"}},
      {{"2019-11-02", "2019-9-30", "2019-10-1"}, {"2019-9-30", "2019-10-1", "2019-11-02"}},
      {{"10", "9", "2019.5"}, {"9", "10", "2019.5"}},
      {{"plot 7", "plot 07"}, {"plot 07", "plot 7"}},
      // A set of numbers by value (decimals are not digit runs); one word makes it natural.
      {{"1.5", "1.25", "-3", "1e3"}, {"-3", "1.25", "1.5", "1e3"}},
      {{"10", "9", "B"}, {"9", "10", "B"}},
      // Runs longer than any integer type; text before digits decides first.
      {{"a99", "a123456789012345678901234", "a0100"},
       {"a99", "a0100", "a123456789012345678901234"}},
      {{"visit 2b", "visit 2a", "visit 10", "Visit 1"},
       {"Visit 1", "visit 2a", "visit 2b", "visit 10"}},
      {{"s10", "s", "", "s9x"}, {"", "s", "s9x", "s10"}},
      {{"b", "\xC3\xA9", "a"}, {"a", "b", "\xC3\xA9"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels[0] + " " + c.labels[1]);
    std::vector<std::string> sorted;
    for (const std::size_t i : natural_order(c.labels)) sorted.push_back(c.labels[i]);
    EXPECT_EQ(sorted, c.sorted);
    // The same through views, and natural_less as a strict order on the non-numeric sets.
    const std::vector<std::string_view> views(c.labels.begin(), c.labels.end());
    EXPECT_EQ(natural_order(views), natural_order(c.labels));
    for (const std::string& a : c.labels) {
      EXPECT_FALSE(natural_less(a, a)) << a;
      for (const std::string& b : c.labels) {
        if (a != b) {
          EXPECT_NE(natural_less(a, b), natural_less(b, a)) << a << " " << b;
        }
      }
    }
  }
}

TEST(NaturalOrder, SampleOneOfALongTableByFileOrNaturalOrder) {
  const std::string table = "sample,site,species\nweek 12,x,a\nweek 8,x,b\n";
  const struct {
    SampleOrder order;
    std::optional<std::string> first;
    const char* sample1;
  } cases[] = {
      {SampleOrder::kFile, std::nullopt, "week 12"},
      {SampleOrder::kNatural, std::nullopt, "week 8"},
      {SampleOrder::kNatural, "week 12", "week 12"},  // --first decides
      {SampleOrder::kFile, "week 8", "week 8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sample_order_name(c.order));
    prep::TableOptions options;
    options.sample_order = c.order;
    const prep::Survey survey = prep::long_table(table, options, c.first);
    EXPECT_EQ(survey.sample1.label, c.sample1);
  }
}

}  // namespace
}  // namespace kelvaro::tools
