#include "csv/long_table.h"

#include <gtest/gtest.h>

namespace kelvaro::csv {
namespace {

struct Read {
  std::vector<LongRecord> records;
  std::vector<std::string> samples, sites, species;
};

Read read_all(const std::string& text, const LongTableOptions& options = {}) {
  tools::TextSource source(text, "l.csv", 7);
  LongTableReader reader(source, options);
  Read out;
  for (LongRecord r; reader.next(r);) out.records.push_back(r);
  for (std::uint32_t i = 0; i < reader.samples().size(); ++i)
    out.samples.emplace_back(reader.samples().label(i));
  for (std::uint32_t i = 0; i < reader.sites().size(); ++i)
    out.sites.emplace_back(reader.sites().label(i));
  for (std::uint32_t i = 0; i < reader.species().size(); ++i)
    out.species.emplace_back(reader.species().label(i));
  return out;
}

// (line, group, sample, site, species) of each record.
using Tuple = std::tuple<long, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;
std::vector<Tuple> tuples(const Read& r) {
  std::vector<Tuple> out;
  for (const LongRecord& x : r.records) out.emplace_back(x.line, x.group, x.sample, x.site, x.species);
  return out;
}

TEST(LongTable, ColumnsByNameInAnyOrder) {
  const Read r = read_all(
      "species,note,site,sample\r\n"
      "Sp.A,,s1,2019\r\n"
      ",,,\r\n"  // spreadsheet filler
      "Sp.B,x,s2,2019\r\n"
      "Sp.A,,s1,2020\r\n");
  EXPECT_EQ(tuples(r), (std::vector<Tuple>{{2, 0, 0, 0, 0}, {4, 0, 0, 1, 1}, {5, 0, 1, 0, 0}}));
  EXPECT_EQ(r.samples, (std::vector<std::string>{"2019", "2020"}));
  EXPECT_EQ(r.species, (std::vector<std::string>{"Sp.A", "Sp.B"}));
}

TEST(LongTable, ConfiguredNamesAndGroups) {
  LongTableOptions options;
  options.columns = {"RouteID", "Year", "Stop", "AOU"};
  const Read r = read_all(
      "RouteID,Year,Stop,AOU\n"
      "R1,2019,1,AMRO\n"
      "R1,2019,2,AMRO\n"
      "R2,2019,1,AMRO\n"
      "R2,2020,1,BLJA\n",
      options);
  EXPECT_EQ(tuples(r), (std::vector<Tuple>{
                           {2, 0, 0, 0, 0}, {3, 0, 0, 1, 0}, {4, 1, 0, 0, 0}, {5, 1, 1, 0, 1}}));
  EXPECT_EQ(r.sites, (std::vector<std::string>{"1", "2"}));
}

TEST(LongTable, Refusals) {
  LongTableOptions with_group;
  with_group.columns.group = "route";
  const struct {
    const char* name;
    std::string text;
    LongTableOptions options;
    long line, column;
    const char* reason;
  } cases[] = {
      {"empty file", "\n\n", {}, 1, 1, "no header row"},
      {"no species column", "sample,site\nA,x\n", {}, 1, 1,
       "no column \"species\" for the species (it has \"sample\", \"site\";"},
      {"no group column", "sample,site,species\nA,x,a\n", with_group, 1, 1, "no column \"route\""},
      {"a column named twice", "sample,site,site,species\n", {}, 1, 3,
       "two columns are called \"site\" (columns 2 and 3)"},
      {"short row", "sample,site,species\nA,x\n", {}, 2, 3, "the row has 2 fields"},
      {"empty site", "sample,site,species\nA,x,a\nB,,a\n", {}, 3, 2, "empty site"},
      {"empty species", "sample,site,species\nA,x,\n", {}, 2, 3, "empty species"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      read_all(c.text, c.options);
      ADD_FAILURE() << "accepted";
    } catch (const InputError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
  }
}

}  // namespace
}  // namespace kelvaro::csv
