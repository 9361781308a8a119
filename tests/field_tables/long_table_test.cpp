#include "field_tables/long_table.h"

#include <gtest/gtest.h>

namespace kelvaro::csv {
namespace {

struct Read {
  std::vector<LongRecord> records;
  std::vector<std::string> samples, sites, species;
  std::optional<std::string> count_column;
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
  out.count_column = reader.column_name(LongColumn::kCount);
  return out;
}

// (line, group, sample, site, species, detected) of each record.
using Tuple = std::tuple<long, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, bool>;
std::vector<Tuple> tuples(const Read& r) {
  std::vector<Tuple> out;
  for (const LongRecord& x : r.records)
    out.emplace_back(x.line, x.group, x.sample, x.site, x.species, x.detected);
  return out;
}

TEST(LongTable, ColumnsByNameAnyOrderAnyCase) {
  const Read r = read_all(
      "Species,note,SITE,Sample\r\n"
      "Sp.A,,s1,2019\r\n"
      ",,,\r\n"  // spreadsheet filler
      "Sp.B,x,s2,2019\r\n"
      "Sp.A,,s1,2020\r\n");
  EXPECT_EQ(tuples(r), (std::vector<Tuple>{
                           {2, 0, 0, 0, 0, true}, {4, 0, 0, 1, 1, true}, {5, 0, 1, 0, 0, true}}));
  EXPECT_EQ(r.samples, (std::vector<std::string>{"2019", "2020"}));
  EXPECT_EQ(r.species, (std::vector<std::string>{"Sp.A", "Sp.B"}));
  EXPECT_EQ(r.count_column, std::nullopt);
  // Without a group column, every record is in the one group "".
  tools::TextSource source("sample,site,species\n2019,s1,a\n", "l.csv");
  LongTableReader reader(source, {});
  ASSERT_EQ(reader.groups().size(), 1u);
  EXPECT_EQ(reader.groups().label(0), "");
}

TEST(LongTable, ConfiguredNamesGroupsAndCountColumn) {
  LongTableOptions options;
  options.columns = {"RouteID", "Year", "Stop", "AOU", "Abund"};
  const Read r = read_all(
      "routeid;year;stop;aou;abund\n"
      "R1;2019;1;AMRO;2\n"
      "R1;2019;2;;0\n"  // a visit without a detection: no species needed
      "R2;2019;1;AMRO;0,0\n"
      "R2;2020;1;BLJA;1,5\n",
      options);
  EXPECT_EQ(tuples(r), (std::vector<Tuple>{{2, 0, 0, 0, 0, true},
                                           {3, 0, 0, 1, kNoSpecies, false},
                                           {4, 1, 0, 0, 0, false},
                                           {5, 1, 1, 0, 1, true}}));
  EXPECT_EQ(r.count_column, "abund");
}

TEST(LongTable, CountColumnFoundByItsUsualNames) {
  for (const char* name : {"count", "Detected", "ABUNDANCE"}) {
    SCOPED_TRACE(name);
    const Read r = read_all(std::string("sample,site,species,") + name +
                            "\nA,s1,a,1\nA,s1,b,0\nA,s2,c,FALSE\nA,s2,d,\n");
    EXPECT_EQ(r.count_column, name);
    std::vector<bool> detected;
    for (const LongRecord& x : r.records) detected.push_back(x.detected);
    EXPECT_EQ(detected, (std::vector<bool>{true, false, false, false}));
  }
}

TEST(LongTable, EveryMissingColumnAtOnceAndTheHeaderNames) {
  LongTableOptions route_and_n;
  route_and_n.columns.group = "route";
  route_and_n.columns.count = "n";
  const LongTableOptions defaults;
  using C = LongColumn;
  const struct {
    std::string header;
    LongTableOptions options;
    LongColumn role;  // the message's
    std::vector<LongColumn> missing;
  } cases[] = {
      {"Year,Stop,AOU", defaults, C::kSample, {C::kSample, C::kSite, C::kSpecies}},
      // A column named twice after the first missing one does not change the refusal.
      {"sample,Site,x,site", route_and_n, C::kGroup, {C::kGroup, C::kSpecies, C::kCount}},
      {"Route,sample,site,species", route_and_n, C::kCount, {C::kCount}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    try {
      read_all(c.header + "\n", c.options);
      ADD_FAILURE() << "accepted";
    } catch (const MissingColumn& e) {
      EXPECT_EQ(e.role(), c.role);
      EXPECT_EQ(e.missing(), c.missing);
    }
    tools::TextSource source("\n,,\n" + c.header + "\n1,2,3\n", "h.csv", 3);
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= c.header.size();) {
      const std::size_t end = std::min(c.header.find(',', start), c.header.size());
      names.push_back(c.header.substr(start, end - start));
      start = end + 1;
    }
    EXPECT_EQ(header_names(source, std::nullopt), names);
  }
  tools::TextSource quoted("\" a \";\"b;c\"\n", "q.csv"), empty("", "e.csv");
  EXPECT_EQ(header_names(quoted, std::nullopt), (std::vector<std::string>{" a ", "b;c"}));
  EXPECT_EQ(header_names(empty, std::nullopt), std::vector<std::string>{});
}

TEST(LongTable, Refusals) {
  LongTableOptions with_group;
  with_group.columns.group = "route";
  LongTableOptions named_count;
  named_count.columns.count = "n";
  const struct {
    const char* name;
    std::string text;
    LongTableOptions options;
    long line, column;
    const char* reason;
    std::optional<LongColumn> missing;
  } cases[] = {
      {"empty file", "\n\n", {}, 1, 1, "no header row", std::nullopt},
      {"no species column",
       "sample,site\nA,x\n",
       {},
       1,
       1,
       "no column \"species\" for the species (it has \"sample\", \"site\";",
       LongColumn::kSpecies},
      {"no group column", "sample,site,species\nA,x,a\n", with_group, 1, 1, "no column \"route\"",
       LongColumn::kGroup},
      {"named count column missing", "sample,site,species\nA,x,a\n", named_count, 1, 1,
       "no column \"n\" (named with --count", LongColumn::kCount},
      {"a column named twice",
       "sample,site,Site,species\n",
       {},
       1,
       3,
       "two columns are called \"site\" (columns 2 and 3)",
       std::nullopt},
      {"two count columns",
       "sample,site,species,count,abundance\n",
       {},
       1,
       5,
       "\"count\" and \"abundance\": name the one to use with --count",
       std::nullopt},
      {"short row", "sample,site,species\nA,x\n", {}, 2, 3, "the row has 2 fields", std::nullopt},
      {"empty site", "sample,site,species\nA,x,a\nB,,a\n", {}, 3, 2, "empty site", std::nullopt},
      {"empty species on a detection",
       "sample,site,species,count\nA,x,,1\n",
       {},
       2,
       3,
       "empty species",
       std::nullopt},
      {"missing count",
       "sample,site,species,count\nA,x,a,NA\n",
       {},
       2,
       4,
       "\"NA\" is not a detection value",
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      read_all(c.text, c.options);
      ADD_FAILURE() << "accepted";
    } catch (const MissingColumn& e) {
      EXPECT_EQ(c.missing, e.role());
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    } catch (const InputError& e) {
      EXPECT_EQ(c.missing, std::nullopt);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
  }
}

}  // namespace
}  // namespace kelvaro::csv
