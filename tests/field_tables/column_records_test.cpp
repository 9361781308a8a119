// A long table held in memory as columns reads as the same table written as a file: the same
// records, labels and ids, the same refusals and variants, at row L - 1 where the file says
// line L (the header is the file's line 1), without the file's separator.

#include "field_tables/column_records.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "field_tables/csv_reader.h"

namespace kelvaro::csv {
namespace {

// The file's columns coded in order of first appearance (codes need no order), each at its
// place in the header.
ColumnTable columns_of(const std::string& text) {
  const std::vector<CsvRow> rows = parse_csv(text, "l.csv");
  ColumnTable table;
  table.name = "l.csv";
  for (std::size_t j = 0; j < rows[0].size(); ++j) {
    CodedColumn c;
    c.name = std::string(rows[0][j]);
    c.position = static_cast<long>(j) + 1;
    std::map<std::string, std::uint32_t> codes;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const std::string label(rows[i][j]);
      const auto [at, added] = codes.try_emplace(label, static_cast<std::uint32_t>(codes.size()));
      if (added) c.labels.push_back(label);
      c.codes.push_back(at->second);
    }
    if (c.name == "group") table.group = c;
    if (c.name == "sample") table.sample = c;
    if (c.name == "site") table.site = c;
    if (c.name == "species") table.species = c;
    if (c.name == "count") table.count = c;
  }
  return table;
}

// Every record (line, labels, detected) and the variants, or the refusal's text.
struct Reading {
  std::vector<std::tuple<long, std::string, std::string, std::string, std::string, bool>> records;
  std::vector<std::string> variants;
  std::string refusal;
};

Reading read(LongRecords& reader, long line_shift) {
  Reading out;
  try {
    for (LongRecord r; reader.next(r);) {
      const std::string species =
          r.species == kNoSpecies ? "-" : std::string(reader.species().label(r.species));
      out.records.emplace_back(r.line + line_shift, reader.groups().label(r.group),
                               reader.samples().label(r.sample), reader.sites().label(r.site),
                               species, r.detected);
    }
  } catch (const InputError& e) {
    out.refusal = std::string(e.what()) + " @" + std::to_string(e.line() + line_shift);
  }
  for (const NamePool* pool : {&reader.sites(), &reader.species()}) {
    for (const NameVariant& v : pool->variants()) {
      out.variants.push_back(v.first + "|" + v.other + "|" + v.other_place);
    }
  }
  return out;
}

// A file's place "l.csv (comma-separated), line L," as a table's in memory, which has no
// separator: "l.csv, row L - 1,".
void as_rows(std::string& text) {
  const std::string separator = " (comma-separated)";
  if (text.rfind("l.csv" + separator, 0) == 0) text.erase(5, separator.size());
  const std::size_t at = text.find(", line ");
  if (at == std::string::npos) return;
  const std::size_t end = text.find(',', at + 7);
  text.replace(at, end - at, ", row " + std::to_string(std::stol(text.substr(at + 7)) - 1));
}

TEST(ColumnRecords, ReadAsTheSameTableInAFile) {
  struct Case {
    const char* name;
    std::string text;
    bool na_absent = false, fold_case = false;
  };
  const Case cases[] = {
      {"groups, counts, visits without a species",
       "group,sample,site,species,count\nR1,2019,s1,a,2\nR1,2019,s2,,0\nR2,2019,s1,b,x\n"
       "R1,2020,s1,a,0.5\nR2,2019,s3,a,FALSE\n"},
      {"no group, no count: one group \"\", every record a detection",
       "sample,site,species\n1,s1,a\n2,s1,b\n1,s2,a\n"},
      {"names that differ in case, kept apart", "sample,site,species\n1,S1,Sp.A\n1,s1,sp.a\n"},
      {"... and folded", "sample,site,species\n1,S1,Sp.A\n1,s1,sp.a\n1,s1, SP.A \n", false, true},
      {"NA taken as absent", "sample,site,species,count\n1,s1,a,NA\n1,s1,b,1\n", true},
      {"NA refused", "sample,site,species,count\n1,s1,a,1\n1,s1,b,NA\n"},
      {"a count that says nothing", "sample,site,species,count\n1,s1,a,lots\n"},
      {"empty sample", "sample,site,species\n1,s1,a\n,s1,a\n"},
      {"empty group", "group,sample,site,species\n,1,s1,a\n"},
      {"empty site", "sample,site,species\n1,,a\n"},
      {"empty species on a detection", "sample,site,species,count\n1,s1,,0\n1,s2,,3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LongTableOptions options;
    options.na_absent = c.na_absent;
    options.fold_case = c.fold_case;
    const ColumnTable table = columns_of(c.text);
    if (table.group) options.columns.group = "group";
    tools::TextSource source(c.text, "l.csv");
    LongTableReader file(source, options);
    ColumnRecords memory(table, options);
    Reading expected = read(file, -1);
    as_rows(expected.refusal);
    for (std::string& v : expected.variants) as_rows(v);
    const Reading got = read(memory, 0);
    EXPECT_EQ(got.records, expected.records);
    EXPECT_EQ(got.refusal, expected.refusal);
    EXPECT_EQ(got.variants, expected.variants);
  }
}

TEST(ColumnRecords, ColumnsOfAnotherLengthOrCodesBeyondTheLabelsAreAProgramsFault) {
  ColumnTable table = columns_of("sample,site,species\n1,s1,a\n1,s2,b\n");
  table.site.codes.pop_back();
  EXPECT_THROW(ColumnRecords(table, {}), std::invalid_argument);
  table = columns_of("sample,site,species\n1,s1,a\n");
  table.species.codes[0] = 1;
  EXPECT_THROW(ColumnRecords(table, {}), std::invalid_argument);
}

}  // namespace
}  // namespace kelvaro::csv
