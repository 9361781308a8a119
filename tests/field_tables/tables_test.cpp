// kelvaro-prep's readers: site-by-species tables and long tables into two samples.

#include <gtest/gtest.h>

#include "field_tables/prep_helpers.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::prep {
namespace {

// Sample 1 of a survey read from one site-by-species table.
Survey wide(const std::string& text, const TableOptions& options = {}) {
  Survey survey(options.fold_case);
  tools::TextSource source(text, "w.csv", 5);
  load_wide(source, options, survey, survey.sample1, "Sample 1");
  return survey;
}

std::vector<std::string> names_of(const Survey& s, const Sample& sample) {
  std::vector<std::string> names;
  for (std::uint32_t id : sample.species()) names.emplace_back(s.species.label(id));
  return names;
}

// For each species named for the sample, in order: the indices of its sites.
std::vector<std::vector<int>> sites_of(const Sample& sample) {
  std::vector<std::vector<int>> out;
  for (std::uint32_t id : sample.species()) {
    out.emplace_back();
    sample.detected_at(id).for_each([&](int site) { out.back().push_back(site); });
  }
  return out;
}

// A table of `sites` site rows, each detecting species a.
std::string wide_with_sites(int sites) {
  std::string text = "site,a\n";
  for (int i = 1; i <= sites; ++i) text += "s" + std::to_string(i) + ",1\n";
  return text;
}

std::string long_with_sites(int sites) {
  std::string text = "sample,site,species\nB,x,a\n";
  for (int i = 1; i <= sites; ++i) text += "A,s" + std::to_string(i) + ",a\n";
  return text;
}

TEST(Tables, WideTableCellAboveZeroIsDetection) {
  const Survey s = wide(
      "ditch,a,b,c\r\n"
      "d1,3.951,0,-1\r\n"
      "d2,0.5,+2,0.0\r\n"
      "d3,1e-3,,0\r\n");
  EXPECT_EQ(s.sample1.sites, (std::vector<std::string>{"d1", "d2", "d3"}));
  EXPECT_EQ(names_of(s, s.sample1), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(sites_of(s.sample1), (std::vector<std::vector<int>>{{0, 1, 2}, {1}, {}}));
  EXPECT_EQ(s.sources, std::vector<std::string>{"Sample 1: w.csv (comma-separated)"});
}

TEST(Tables, WideTableQuotedNamesAndSpreadsheetFiller) {
  const Survey s = wide("\"site, plot\",\"Genus, sp.\",\"x\"\"y\"\n\"p 1\",1,0\n,,\n");
  EXPECT_EQ(names_of(s, s.sample1), (std::vector<std::string>{"Genus, sp.", "x\"y"}));
  EXPECT_EQ(s.sample1.sites, (std::vector<std::string>{"p 1"}));
}

TEST(Tables, WideTableRefusals) {
  const struct {
    const char* name;
    std::string text;
    long line, column;
    const char* reason;
  } cases[] = {
      {"empty file", "", 1, 1, "no header row"},
      {"header only a site column", "site\ns1\n", 1, 2, "no species columns"},
      {"empty species name", "site,,b\ns1,1,1\n", 1, 2, "empty species name"},
      {"duplicate species", "site,a,b,a\ns1,1,1,1\n", 1, 4, "duplicate species name \"a\""},
      {"short row", "site,a,b\ns1,1\n", 2, 3, "the row has 2 fields, the header has 3"},
      {"long row", "site,a\ns1,1,1\n", 2, 3, "the row has 3 fields, the header has 2"},
      {"empty site name", "site,a\n,1\n", 2, 1, "empty site name"},
      {"duplicate site", "site,a\ns1,1\ns2,0\ns1,1\n", 4, 1, "duplicate site name \"s1\""},
      {"missing value", "site,a,b\ns1,1,NA\n", 2, 3, "\"NA\" is not a detection value"},
      {"not a number", "site,a\ns1,nan\n", 2, 2, "is not a detection value"},
      {"trailing text", "site,a\ns1,1x\n", 2, 2, "is not a detection value"},
      {"no detection", "site,a,b\ns1,0,0\ns2,0,-3\n", 1, 1, "no detection"},
      {"no sites", "site,a\n", 1, 1, "no detection"},
      {"1001 sites", wide_with_sites(1001), 1002, 1,
       "more than 1000 sites in one sample (kelvaro takes at most 1000;"},
      {"a huge cell is quoted in part", "site,a\ns1," + std::string(100000, 'x') + "\n", 2, 2,
       "\"... (100000 bytes) is not a detection value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      wide(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const csv::InputError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
  }
  // The most sites, and the sites of two inline words' sets and beyond: 0, 127, 128, 999.
  const Survey most = wide(wide_with_sites(1000));
  EXPECT_EQ(most.sample1.sites.size(), 1000u);
  ASSERT_EQ(sites_of(most.sample1).size(), 1u);
  const std::vector<int> all = sites_of(most.sample1)[0];
  ASSERT_EQ(all.size(), 1000u);
  EXPECT_EQ((std::vector<int>{all[0], all[127], all[128], all[999]}),
            (std::vector<int>{0, 127, 128, 999}));
}

TEST(Tables, TransposedTableIsPointedOut) {
  std::string transposed = "species,plot1,plot2,plot3\n";
  for (int i = 0; i < 1001; ++i) {
    transposed +=
        "Inga sp" +
        std::string{static_cast<char>('a' + i / 676), static_cast<char>('a' + i / 26 % 26),
                    static_cast<char>('a' + i % 26)} +
        ",1,0,1\n";
  }
  const std::string small = "taxon,S1,S2\nCarex nigra,1,0\nPoa annua,0,1\nJuncus effusus,1,1\n";
  EXPECT_EQ(wide(small).table_warnings.size(), 1u);
  EXPECT_NE(wide(small).table_warnings[0].find("w.csv: the table looks transposed"),
            std::string::npos);
  EXPECT_TRUE(wide("site,Carex nigra,Poa annua\nS1,1,0\nS2,0,1\n").table_warnings.empty());
  try {
    wide(transposed);
    ADD_FAILURE() << "accepted";
  } catch (const csv::InputError& e) {
    EXPECT_NE(e.reason().find("more than 1000 sites"), std::string::npos);
    EXPECT_NE(e.reason().find("looks transposed"), std::string::npos) << e.reason();
  }
}

TEST(Tables, LongTableSamplesInOrderOfAppearance) {
  const char* text =
      "species,note,site,sample\r\n"
      "a,,x,week24\r\n"
      "b,,y,week-4\r\n"
      "a,,y,week24\r\n"
      "a,,x,week24\r\n"  // the same detection again counts once
      "c,,z,week-4\r\n"
      "b,,w,week24\r\n"
      "b,,x,week24\r\n";
  const struct {
    const char* name;
    std::optional<std::string> first;
    const char* label1;
    std::vector<std::string> sites1;
    std::vector<std::vector<int>> sites_of1;
    const char* label2;
  } cases[] = {
      {"first appearance", std::nullopt, "week24", {"x", "y", "w"}, {{0, 1}, {0, 2}}, "week-4"},
      {"--first names the other", "week-4", "week-4", {"y", "z"}, {{0}, {1}}, "week24"},
      {"--first names the first", "week24", "week24", {"x", "y", "w"}, {{0, 1}, {0, 2}}, "week-4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Survey s = long_table(text, {}, c.first);
    EXPECT_EQ(s.sample1.label, c.label1);
    EXPECT_EQ(s.sample1.sites, c.sites1);
    EXPECT_EQ(sites_of(s.sample1), c.sites_of1);
    EXPECT_EQ(s.sample2.label, c.label2);
  }
}

TEST(Tables, LongTableCountColumn) {
  // Site s3 of sample A and site u2 of B were visited and nothing was found there: they count
  // as sites (t1 = 3, t2 = 2) but hold no detection. Species c has only a zero row.
  const Survey s = long_table(
      "Sample,Site,Species,Detected\n"
      "A,s1,a,1\nA,s2,a,TRUE\nA,s2,b,yes\nA,s3,,0\nA,s1,c,0\n"
      "B,u1,a,2\nB,u2,b,FALSE\n");
  EXPECT_EQ(s.sample1.sites, (std::vector<std::string>{"s1", "s2", "s3"}));
  EXPECT_EQ(s.sample2.sites, (std::vector<std::string>{"u1", "u2"}));
  EXPECT_EQ(sites_of(s.sample1), (std::vector<std::vector<int>>{{0, 1}, {1}, {}}));
  EXPECT_EQ(s.count_column, "Detected");
  // Hand derivation: Sample 1 f = (1, 1, 0), n = (1, 2, 0); Sample 2 f = (1, 0), n = (1, 0);
  // a in both: Subset A f = (1, 0), n = (1, 0); Subset B f = (0, 1, 0), n = (1, 1, 0).
  EXPECT_EQ(input_of(s), "3 2 0 50 400\n1 1 0\n1 2 0\n1 0\n1 0\n1 0\n1 0\n0 1 0\n1 1 0\n");
}

TEST(Tables, LongTableRefusals) {
  const struct {
    const char* name;
    std::string text;
    std::optional<std::string> first;
    long line, column;
    const char* reason;
  } cases[] = {
      // The reader's own refusals (a missing column, a short row, an empty label) are
      // LongTable.Refusals'; these are those of a table that must hold two samples.
      {"one sample", "sample,site,species\nA,x,a\nA,y,b\n", std::nullopt, 1, 1,
       "holds 1 sample(s); it must hold exactly two"},
      {"no records", "sample,site,species\n", std::nullopt, 1, 1, "holds 0 sample(s)"},
      {"third sample", "sample,site,species\nA,x,a\nB,x,a\nA,y,a\nC,x,a\n", std::nullopt, 5, 1,
       "a third sample \"C\""},
      {"unknown --first", "sample,site,species\nA,x,a\nB,x,a\n", "D", 1, 1,
       "--first \"D\" is not a sample"},
      {"1001 sites in one sample", long_with_sites(1001), std::nullopt, 1003, 2,
       "more than 1000 sites in sample \"A\" (kelvaro takes at most 1000;"},
      {"a sample without detection", "sample,site,species,count\nA,x,a,1\nB,x,a,0\n", std::nullopt,
       1, 1, "sample \"B\" has no detection"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      long_table(c.text, {}, c.first);
      ADD_FAILURE() << "accepted";
    } catch (const csv::InputError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
  }
  EXPECT_EQ(long_table(long_with_sites(1000)).sample2.sites.size(), 1000u);
}

TEST(Tables, OneWideFileIsNotALongTable) {
  try {
    long_table("site,a,b\ns1,1,0\n");
    ADD_FAILURE() << "accepted";
  } catch (const UsageError& e) {
    EXPECT_EQ(std::string(e.what()),
              "kelvaro-prep needs two site-by-species files (Sample 1 and Sample 2), or one long "
              "table with columns sample,site,species; l.csv has neither a sample column nor a "
              "partner file");
  }
}

TEST(Tables, NamesDifferingInCaseWarnedOrMerged) {
  // "Sp.E" in Sample 1 and " sp.e" in Sample 2 (quoted, so the blank stays) are one species
  // typed two ways; so are sites "S1" and "s1" of Sample 2.
  const std::string a = "site,Sp.E,b\nx,1,1\ny,0,1\n";
  const std::string b = "site,\" sp.e\",b\nS1,1,0\ns1,0,1\n";
  const Survey apart = wide_pair(a, b);
  ASSERT_EQ(apart.species.variants().size(), 1u);
  EXPECT_EQ(apart.species.variants()[0].other_place, "b.csv, line 1, column 2");
  ASSERT_EQ(apart.site_variants.size(), 1u);
  // Apart: Sp.E and " sp.e" are different species: only b is in both samples.
  EXPECT_EQ(input_of(apart), "2 2 0 50 400\n1 1\n2 1\n2 0\n1 1\n1 0\n0 1\n0 1\n1 1\n");
  TableOptions fold;
  fold.fold_case = true;
  const Survey merged = wide_pair(a, b, fold);
  EXPECT_EQ(merged.species.size(), 2u);
  EXPECT_EQ(merged.sample2.sites, std::vector<std::string>{"S1"});  // s1 merged into S1
  // Merged: Sample 2 has one site holding Sp.E and b; both species are in both samples.
  EXPECT_EQ(input_of(merged), "2 1 0 50 400\n1 1\n2 1\n2\n2\n2\n2\n1 1\n2 1\n");
}

}  // namespace
}  // namespace kelvaro::prep
