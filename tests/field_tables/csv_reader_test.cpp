#include "field_tables/csv_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "field_tables/csv_writer.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

using Rows = std::vector<std::pair<long, std::vector<std::string>>>;

// The rows of `text`, read in chunks of `chunk` bytes (1: every byte a chunk boundary).
Rows lines_and_fields(const std::string& text, std::optional<char> separator = ',',
                      std::size_t chunk = 65536) {
  tools::TextSource source(text, "t.csv", chunk);
  CsvReader reader(source, separator);
  Rows out;
  for (CsvRow row; reader.next(row);) out.emplace_back(row.line(), row.fields());
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
      {"CR ends (old spreadsheets)",
       "a,b\r1,2\r\r3,4",
       {{1, {"a", "b"}}, {2, {"1", "2"}}, {4, {"3", "4"}}}},
      {"comma inside quotes", "\"Genus, sp.\",2\n", {{1, {"Genus, sp.", "2"}}}},
      {"doubled quote", "\"say \"\"hi\"\"\",x\n", {{1, {"say \"hi\"", "x"}}}},
      {"line end inside quotes",
       "\"two\r\nlines\",x\r\nnext,y\r\n",
       {{1, {"two\r\nlines", "x"}}, {3, {"next", "y"}}}},
      {"CR inside quotes counts a line", "\"a\rb\",x\rnext\r", {{1, {"a\rb", "x"}}, {3, {"next"}}}},
      {"empty fields", ",,\n", {{1, {"", "", ""}}}},
      {"blank lines skipped", "a\n\n\r\nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"byte-order mark", "\xEF\xBB\xBFsite,sp\n", {{1, {"site", "sp"}}}},
      {"unquoted blanks trimmed, quoted kept", " a , \" b \"\n", {{1, {"a", " b "}}}},
      {"NUL kept as a byte", std::string("a\0b,c\n", 6), {{1, {std::string("a\0b", 3), "c"}}}},
      {"empty text", "", {}},
      // Rows read at once from the buffer give what the byte-by-byte reading gives.
      {"blanks and tabs trimmed, blank row kept",
       "a , b \n   \n\tc\t,d\n",
       {{1, {"a", "b"}}, {2, {""}}, {3, {"c", "d"}}}},
      {"plain rows around a quoted one",
       "x,y\n1,\"2\"\n3,4\n",
       {{1, {"x", "y"}}, {2, {"1", "2"}}, {3, {"3", "4"}}}},
      {"CR LF, CR, LF in turn",
       "a\r\nb\rc\nd\r\n\re",
       {{1, {"a"}}, {2, {"b"}}, {3, {"c"}}, {4, {"d"}}, {6, {"e"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(lines_and_fields(c.text), c.expected);
    EXPECT_EQ(lines_and_fields(c.text, ',', 1), c.expected) << "read byte by byte";
    EXPECT_EQ(lines_and_fields(c.text, ',', 4), c.expected) << "rows across chunks of 4";
  }
}

TEST(CsvReader, SeparatorFoundInTheHeaderRow) {
  const struct {
    const char* text;
    char separator;
    Rows expected;
  } cases[] = {
      {"site,a,b\ns1,1,0\n", ',', {{1, {"site", "a", "b"}}, {2, {"s1", "1", "0"}}}},
      {"site;Genus, sp.;b\ns1;0,5;0\n",
       ';',
       {{1, {"site", "Genus, sp.", "b"}}, {2, {"s1", "0,5", "0"}}}},
      {"site\ta b\tc\ns1\t1\t \n", '\t', {{1, {"site", "a b", "c"}}, {2, {"s1", "1", ""}}}},
      {"\"a;b;c\",d\n", ',', {{1, {"a;b;c", "d"}}}},
      {"\r\n\xEF\xBB\xBF", ',', {{2, {"\xEF\xBB\xBF"}}}},  // a mark only at the very start
      {"site\ns1\n", ',', {{1, {"site"}}, {2, {"s1"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    tools::TextSource source(c.text, "t.csv", 3);
    CsvReader reader(source, std::nullopt);
    EXPECT_EQ(reader.separator(), c.separator);
    EXPECT_EQ(lines_and_fields(c.text, std::nullopt, 2), c.expected);
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
      {"after a quoted line end, CR only", "a,b\r\"x\ry\"z,1\r", 3, 1},
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
      EXPECT_NE(std::string(e.what()).find("bad.csv (comma-separated), line "), std::string::npos);
    }
  }
}

TEST(CsvReader, LineNumbersAreRightForEveryLineEnd) {
  for (const char* end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(end == std::string("\r") ? "CR" : end == std::string("\n") ? "LF" : "CR LF");
    const std::string text =
        std::string("a,b") + end + "1,2" + end + end + "3,\"x" + end + "y\"" + end + "4,5\"" + end;
    try {
      parse_csv(text, "t.csv");
      ADD_FAILURE() << "accepted";
    } catch (const InputError& e) {
      EXPECT_EQ(e.line(), 6);  // the quote in "4,5"" after the two-line field of lines 4-5
      EXPECT_EQ(e.column(), 2);
    }
  }
}

// Endless NUL bytes, as /dev/zero gives.
class Zeros : public tools::ByteSource {
 public:
  std::size_t read(char* buffer, std::size_t capacity) override {
    std::memset(buffer, 0, capacity);
    return capacity;
  }
  const std::string& name() const override { return name_; }

 private:
  std::string name_ = "/dev/zero";
};

TEST(CsvReader, EndlessRowIsRefusedAtTheLimit) {
  Zeros zeros;
  CsvReader reader(zeros, ',');
  CsvRow row;
  try {
    reader.next(row);
    ADD_FAILURE() << "accepted";
  } catch (const InputError& e) {
    EXPECT_EQ(e.line(), 1);
    EXPECT_NE(e.reason().find("longer than 16777216 bytes"), std::string::npos) << e.reason();
  }
}

// A row may take kMaxRowBytes bytes with its line end and no more, whether the separator is given
// or found in it (the first row is then buffered whole before it is read).
TEST(CsvReader, RowLimitIsExactWithSeparatorGivenOrFound) {
  for (const std::optional<char> separator : {std::optional<char>(), std::optional<char>(',')}) {
    for (const std::size_t length : {kMaxRowBytes - 1, kMaxRowBytes}) {
      SCOPED_TRACE((separator ? "separator given, " : "separator found, ") +
                   std::to_string(length) + " bytes and LF");
      const std::string text = "a," + std::string(length - 2, 'x') + "\nb,c\n";
      if (length < kMaxRowBytes) {
        const std::vector<CsvRow> rows = parse_csv(text, "t.csv", separator);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][1].size(), length - 2);
        EXPECT_EQ(rows[1].line(), 2);
      } else {
        EXPECT_THROW(parse_csv(text, "t.csv", separator), InputError);
      }
    }
  }
}

TEST(Dialect, SeparatorsByNameAndOption) {
  const struct {
    const char* option;
    std::optional<char> separator;
  } cases[] = {{",", ','},    {"comma", ','}, {";", ';'},          {"Semicolon", ';'},
               {"tab", '\t'}, {"\t", '\t'},   {"|", std::nullopt}, {"", std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    EXPECT_EQ(separator_from_option(c.option), c.separator);
    std::optional<char> read;  // as the programs read --sep: "" leaves it as it is
    const std::optional<std::string> problem = read_separator_option(c.option, read);
    EXPECT_EQ(read, c.separator);
    EXPECT_EQ(problem.has_value(), !read && *c.option != '\0');
  }
  std::optional<char> read;
  EXPECT_EQ(read_separator_option("|", read),
            "--sep \"|\": give comma, semicolon or tab (or the character , or ;)");
  EXPECT_EQ(separator_name(';'), "semicolon");
  EXPECT_TRUE(decimal_comma(';'));
  EXPECT_FALSE(decimal_comma(','));
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
      {"#1", "\"#1\""},
      {"a#", "a#"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(csv_field(c.text), c.expected);
  }
}

TEST(CsvWriter, WrittenRowsReadBackUnchanged) {
  const std::vector<std::string> row = {"Genus, sp.", "say \"hi\"", "two\r\nlines", "", "1.5"};
  std::string out;
  append_csv_row(out, row);
  append_csv_row(out, std::vector<std::string>{"x"});
  EXPECT_EQ(out.substr(out.size() - 3), "x\r\n");
  const std::vector<CsvRow> back = parse_csv(out, "round.csv");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].fields(), row);
}

}  // namespace
}  // namespace kelvaro::csv
