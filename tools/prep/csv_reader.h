#pragma once
// RFC 4180 CSV into rows of text fields, each row tagged with the file line on which it begins.
// Parsing is libcsv's in strict mode; this module adds positions and turns its failures into
// InputError. Quoted fields may hold commas, quotes ("") and line ends; CR LF and LF both end
// a row; a UTF-8 byte-order mark at the start is skipped; blank lines are skipped; unquoted
// fields lose leading and trailing blanks and tabs.
//
//   "a,\"b,c\"\r\n1,\"x\"\"y\"\n"  ->  {line 1: a | b,c}, {line 2: 1 | x"y}

#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::prep {

struct CsvRow {
  long line = 0;                    // file line (from 1) on which the row begins
  std::vector<std::string> fields;  // at least one field
};

// Parses CSV text; `name` is the file name used in errors.
// Throws InputError (at the row's line, column = number of the field being read) for a quote
// inside an unquoted field, text after a closing quote, or a quoted field left open at the end.
// Degenerate input: empty text gives no rows.
std::vector<CsvRow> parse_csv(std::string_view text, const std::string& name);

// Reads and parses a whole file. Throws InputError (line 0) when the file cannot be read.
std::vector<CsvRow> read_csv_file(const std::string& path);

// True when every field of the row is empty (a spreadsheet's ",,," filler line).
bool is_blank_row(const CsvRow& row);

}  // namespace kelvaro::prep
