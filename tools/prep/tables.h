#pragma once
// Reading kelvaro-prep's input tables into a Survey: two site-by-species tables (one per
// sample), or one long table of records holding both samples. Both are read as streams and stop
// at the first refusal (the 99th site is refused as soon as it is read). Every refusal names
// the file, its separator, the line and the column, and says how to put it right.

#include <optional>
#include <string>

#include "common/byte_source.h"
#include "csv/long_table.h"
#include "prep/sample.h"

namespace kelvaro::prep {

struct TableOptions {
  std::optional<char> separator;  // nullopt: found in each file's header row
  bool na_absent = false;         // NA and NaN cells are absent (else refused)
  bool fold_case = false;         // names differing only in case or blanks around them are one
};

// A refusal of the command as a whole (the message is a full sentence naming the program).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A site-by-species table: header row = (site column title, species names...), then one row per
// site = (site name, cells...); cells as in csv/cell_value.h. Names the species in
// `survey.species` and fills `sample` (whose label becomes the file name); `role` ("Sample 1")
// heads the file's line in survey.sources; a table that looks transposed adds a warning to
// survey.table_warnings (and a refusal for too many sites says so). Throws InputError for: no
// header, no species column, an empty or repeated species name, a row whose number of fields
// differs from the header's (at the first missing or extra column), an empty or repeated site
// name, a refused cell, more than kMaxSites sites, no detection at all; ReadError. Rows whose
// fields are all empty are skipped.
void load_wide(tools::ByteSource& source, const TableOptions& options, Survey& survey,
               Sample& sample, const std::string& role);

// Both samples from their site-by-species tables, Sample 1 first. Throws as load_wide.
Survey load_wide_pair(tools::ByteSource& first, tools::ByteSource& second,
                      const TableOptions& options);

// How a file's dialect is described in the audit file: "semicolon-separated, decimal comma".
std::string source_dialect(char separator);

// A long table (csv/long_table.h) holding exactly two samples, one row per record; a record
// given twice counts once. Sample 1 is `first` when given, else the label that appears first.
// Throws UsageError when the table has no sample column (a wide table given alone), InputError
// for: other missing columns, other than two sample labels, `first` not among them, more than
// kMaxSites sites in a sample, a sample without detection; ReadError.
Survey load_long(tools::ByteSource& source, const TableOptions& options,
                 const csv::LongTableColumns& columns, const std::optional<std::string>& first);

}  // namespace kelvaro::prep
