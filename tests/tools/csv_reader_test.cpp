#include "prep/csv_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "prep/csv_writer.h"
#include "prep/input_error.h"

namespace kelvaro::prep {
namespace {

using Rows = std::vector<std::pair<long, std::vector<std::string>>>;

Rows lines_and_fields(const std::vector<CsvRow>& rows) {
  Rows out;
  for (const CsvRow& r : rows) out.emplace_back(r.line, r.fields);
  return out;
}

TEST(CsvReader, SplitsQuotedFieldsAndLineEnds) {
  const struct {
    const char* name;
    std::string text;
    Rows expected;
  } cases[] = {
      {"CR LF ends", "a,b\r\n1,2\r\n", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
      {"LF ends, no final end", "a,b\n1,2", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
      {"comma inside quotes", "\"Genus, sp.\",2\n", {{1, {"Genus, sp.", "2"}}}},
      {"doubled quote", "\"say \"\"hi\"\"\",x\n", {{1, {"say \"hi\"", "x"}}}},
      {"line end inside quotes",
       "\"two\r\nlines\",x\r\nnext,y\r\n",
       {{1, {"two\r\nlines", "x"}}, {3, {"next", "y"}}}},
      {"empty fields", ",,\n", {{1, {"", "", ""}}}},
      {"blank lines skipped", "a\n\n\r\nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"byte-order mark", "\xEF\xBB\xBFsite,sp\n", {{1, {"site", "sp"}}}},
      {"unquoted blanks trimmed, quoted kept", " a , \" b \"\n", {{1, {"a", " b "}}}},
      {"empty text", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(lines_and_fields(parse_csv(c.text, "t.csv")), c.expected);
  }
}

TEST(CsvReader, RefusesBadQuotingWithItsPosition) {
  const struct {
    const char* name;
    std::string text;
    long line, column;
  } cases[] = {
      {"quote inside unquoted field", "a,b\nc,d\"e\n", 2, 2},
      {"text after closing quote", "\"a\"x,b\n", 1, 1},
      {"third field of line 3", "a,b,c\n1,2,3\n4,5,\"6\"7\n", 3, 3},
      {"quote never closed", "a,b\n1,\"open\n", 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      parse_csv(c.text, "bad.csv");
      ADD_FAILURE() << "accepted";
    } catch (const InputError& e) {
      EXPECT_EQ(e.file(), "bad.csv");
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
    }
  }
}

TEST(CsvReader, MissingFileIsRefusedWithoutLine) {
  try {
    read_csv_file("/nonexistent/kelvaro-tools/none.csv");
    ADD_FAILURE() << "accepted";
  } catch (const InputError& e) {
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(std::string(e.what()), "/nonexistent/kelvaro-tools/none.csv: cannot open the file");
  }
}

TEST(CsvWriter, QuotesOnlyWhenNeeded) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"a,b", "\"a,b\""},
      {"x\"y", "\"x\"\"y\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r", "\"cr\r\""},
      {" blank ", " blank "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(csv_field(c.text), c.expected);
  }
}

TEST(CsvWriter, WrittenRowsReadBackUnchanged) {
  const std::vector<std::string> row = {"Genus, sp.", "say \"hi\"", "two\r\nlines", "", "1.5"};
  std::ostringstream out;
  write_csv_row(out, row);
  write_csv_row(out, {"x"});
  EXPECT_EQ(out.str().substr(out.str().size() - 3), "x\r\n");
  const std::vector<CsvRow> back = parse_csv(out.str(), "round.csv");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].fields, row);
}

}  // namespace
}  // namespace kelvaro::prep
