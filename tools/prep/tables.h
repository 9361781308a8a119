#pragma once
// Reading kelvaro-prep's input tables into a Survey: two site-by-species tables (one per
// sample), or one long table of records holding both samples. Both are read as streams and stop
// at the first refusal (the 99th site is refused as soon as it is read). Every refusal names
// the file, the line and the column, and says how to put it right.

#include <optional>
#include <string>

#include "common/byte_source.h"
#include "prep/sample.h"

namespace kelvaro::prep {

// A site-by-species table: header row = (site column title, species names...), then one row per
// site = (site name, cells...); a cell above 0 means detected. Names the species in
// `survey.species` and fills `sample` (whose label becomes the file name). Throws InputError for:
// no header, no species column, an empty or repeated species name, a row whose number of fields
// differs from the header's (at the first missing or extra column), an empty or repeated site
// name, a cell that is not a number (or is NaN), more than kMaxSites sites, no detection at all;
// ReadError. Rows whose fields are all empty are skipped.
void load_wide(tools::ByteSource& source, Survey& survey, Sample& sample);

// Both samples from their site-by-species tables, Sample 1 first. Throws as load_wide.
Survey load_wide_pair(tools::ByteSource& first, tools::ByteSource& second);

// A long table (csv/long_table.h) with the columns sample, site, species, one row per detection,
// holding exactly two samples; a detection given twice counts once. Sample 1 is `first` when
// given, else the label that appears first. Throws InputError for: missing columns, other than
// two sample labels, `first` not among them, more than kMaxSites sites in a sample; ReadError.
Survey load_long(tools::ByteSource& source, const std::optional<std::string>& first);

}  // namespace kelvaro::prep
